// Replaying tests/data/corrupt/: every file that once broke something is
// run again by the test of its kind, named by its prefix.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "tests/TestSupport.h"

using namespace icnkit;

// Runs check(name, expected outcome) for each file of tests/data/corrupt/
// whose name starts with prefix, under SCOPED_TRACE(name). A file that
// expected does not list fails (a finding without its expected outcome),
// and so does a listed file that is not there.
inline void ReplayCorruptFiles(
    const std::string& prefix, const std::map<std::string, std::string>& expected,
    const std::function<void(const std::string& name, const std::string& outcome)>& check) {
  size_t replayed = 0;
  for (const std::string& name : ListNames(TestDataPath("corrupt/"))) {
    if (name.rfind(prefix, 0) != 0) continue;
    SCOPED_TRACE(name);
    const auto known = expected.find(name);
    if (known == expected.end()) {
      ADD_FAILURE() << "a finding without its expected outcome";
      continue;
    }
    check(name, known->second);
    ++replayed;
  }
  EXPECT_EQ(replayed, expected.size());
}
