// A command context for tests that drive line assembly and response analysis directly on the
// test thread: no port, no timer thread; delivered lines and wake-ups are counted.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ATResult.h"
#include "comm.h"

struct TestContext {
    TestContext() {
        me_initlock(&ctx->m_RespLock);
        ctx->m_pRespondFunc = countWake;
        ctx->m_pRespCallback = recordLine; // until a command is begun
        current = this;
    }

    // Feeds bytes through the receive callback in chunks of the given size.
    void feed(const std::string& bytes, size_t chunk = 0) {
        chunk = chunk == 0 ? bytes.size() : chunk;
        for (size_t at = 0; at < bytes.size(); at += chunk)
            DataCallBack(1, bytes.data() + at, std::min(chunk, bytes.size() - at), ctx.get());
    }

    // Makes a command busy as ME_Fill_FSM does, without sending anything.
    void begin(void (*callback)(void*), const char* prefix) {
        ctx->m_pResult = &result;
        std::strcpy(ctx->m_ExpectedPrefix, prefix ? prefix : "");
        ctx->m_nEndReason = AT_NORMAL;
        ctx->m_bTxDone = true;
        ctx->m_pRespCallback = callback;
        ctx->m_nCmdState = ME_STATE_BUSY;
    }

    static void recordLine(void* context) {
        current->lines.push_back(static_cast<tagMEFSM*>(context)->m_LineBuf);
    }
    static void countWake(void*) { ++current->wakes; }
    static inline TestContext* current = nullptr; // the callbacks get no pointer to the test

    std::unique_ptr<tagMEFSM> ctx{new tagMEFSM()};
    ATResult result;
    std::vector<std::string> lines;
    int wakes = 0;
};
