// Names "<case>_File" / "<case>_Memory" for test suites over (case, ReadMode).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/support/doc/doc_harness.h"

namespace qv::test {

struct CaseAndModeName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<std::tuple<Case, ReadMode>>& info) const {
    return std::get<0>(info.param).name + (std::get<1>(info.param) == ReadMode::File ? "_File" : "_Memory");
  }
};

}  // namespace qv::test
