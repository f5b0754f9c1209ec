// A row of a parameterised test table: the test framework shows it by its name (in test
// listings and failure lines) instead of as the bytes of the whole row.
#pragma once

#include <ostream>

namespace test_table {

struct Row {
    const char* name;
};

inline std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << row.name;
}

} // namespace test_table
