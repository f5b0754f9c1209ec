// A command context over the real serial port on a pseudo-terminal, answered by a scripted
// peer thread; the port and context are opened before each test and closed after it.
#pragma once

#include <gtest/gtest.h>

#include "ATResult.h"
#include "PtyPeer.h"
#include "SerialPort.h"
#include "comm.h"
#include "comm_func_cb.h"

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(port.Init_Port(peer.slavePath().c_str()), 0);
        ctx = ME_Init(&port);
        port.SetCallBack(DataCallBack, ctx);
    }
    void TearDown() override {
        port.Deinit_Port();
        EXPECT_TRUE(ME_DeInit(ctx));
        EXPECT_EQ(peer.failures(), "");
    }
    tagMEFSM* context() { return static_cast<tagMEFSM*>(ctx); }

    PtyPeer peer;
    CommModule port;
    void* ctx = nullptr;
    ATResult result;
};
