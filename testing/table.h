// Test support: rows of the tests' tables. A row struct that derives from
// NamedRow is shown by its name in test output, not by its bytes, and
// RowName gives parameterised tests the rows' names:
//   struct SizeCase : vlmtest::NamedRow { size_t size; };
//   INSTANTIATE_TEST_SUITE_P(Table, SizeTest, Values(SizeCase{"Empty", 0}), vlmtest::RowName());
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vlmtest {

struct NamedRow {
  const char* name = "";
};

inline std::ostream& operator<<(std::ostream& out, const NamedRow& row) {
  return out << row.name;
}

struct RowName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    return info.param.name;
  }
};

}  // namespace vlmtest
