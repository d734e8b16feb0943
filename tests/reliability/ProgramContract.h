#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/testing/RunProgram.h"

namespace reliability {

// What the host may get from hearmark or voxtext: status 0 with exactly one
// JSON document on standard output and nothing on standard error, or status 1
// with nothing on standard output and exactly one line on standard error.
// Never a signal, never a run that had to be killed.
inline ::testing::AssertionResult keepsTheContract(const platform::testing::ProgramRun& run) {
  if (run.timedOut) return ::testing::AssertionFailure() << "did not end by itself";
  if (run.signal != 0) return ::testing::AssertionFailure() << "ended by signal " << run.signal;
  if (run.status == 0) {
    if (!run.err.empty()) return ::testing::AssertionFailure() << "success with stderr: " << run.err;
    if (run.out.empty() || run.out.back() != '\n') {
      return ::testing::AssertionFailure() << "success without a terminated document";
    }
    if (!nlohmann::json::accept(run.out)) {
      return ::testing::AssertionFailure() << "not one JSON document: " << run.out.substr(0, 200);
    }
    return ::testing::AssertionSuccess();
  }
  if (run.status != 1) return ::testing::AssertionFailure() << "status " << run.status << ": " << run.err;
  if (!run.out.empty()) return ::testing::AssertionFailure() << "failure with output: " << run.out.substr(0, 200);
  if (run.err.empty() || run.err.back() != '\n' ||
      std::count(run.err.begin(), run.err.end(), '\n') != 1) {
    return ::testing::AssertionFailure() << "not one stderr line: [" << run.err << "]";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace reliability
