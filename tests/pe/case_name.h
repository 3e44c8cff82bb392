#pragma once
// The test name of a table row: its `what`, with every character gtest refuses made '_'.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace marlit::test {

struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
    std::string name = row.param.what;
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
  }
};

}  // namespace marlit::test
