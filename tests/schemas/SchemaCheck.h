// Holds documents against a schema in docs/schemas/ with validate.py beside
// this file (python3-jsonschema, draft 2020-12).
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/testing/RunProgram.h"
#include "platform/testing/TemporaryDirectory.h"

namespace schemas {

// Each document must validate against docs/schemas/<program>.schema.json.
inline void expectValid(const std::string& program, const std::vector<std::string>& documents) {
  platform::testing::TemporaryDirectory dir("schema");
  std::vector<std::string> arguments = {VALIDATE_PY, SCHEMA_DIR "/" + program + ".schema.json",
                                        "--valid"};
  for (std::size_t i = 0; i < documents.size(); ++i) {
    const std::string file = (dir.path() / (std::to_string(i) + ".json")).string();
    std::ofstream(file) << documents[i];
    arguments.push_back(file);
  }
  const auto run = platform::testing::runProgram(PYTHON3, arguments);
  EXPECT_EQ(run.status, 0) << run.out << run.err;
}

}  // namespace schemas
