// A row of a parameterised test table: the test framework shows it by its name (in test
// listings and failure lines) instead of as the bytes of the whole row.
#pragma once

#include <ostream>
#include <string>

namespace test_table {

struct Row {
    const char* name;
};

inline std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << row.name;
}

// Names each test of a table after its row: the last argument of INSTANTIATE_TEST_SUITE_P.
struct ByName {
    template <class Info> std::string operator()(const Info& info) const { return info.param.name; }
};

} // namespace test_table
