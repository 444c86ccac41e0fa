// Every program under corpus/valid parses without diagnostics; every program under
// corpus/invalid yields at least one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "parser/ast.h"

namespace corvane::parser {
namespace {

// The corpus lives next to this file: tests/corpus/{valid,invalid}/*.ts.
std::vector<std::pair<std::string, std::string>> corpus_files(const char* kind) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(__FILE__).parent_path() / "corpus" / kind;
    std::vector<std::pair<std::string, std::string>> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().extension() != ".ts") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        out.emplace_back(entry.path().filename().string(), ss.str());
    }
    std::sort(out.begin(), out.end());
    return out;
}


TEST(ParserCorpus, ValidProgramsParse) {
    auto files = corpus_files("valid");
    ASSERT_FALSE(files.empty());
    for (const auto& [path, text] : files) {
        ParseResult r = parse_typescript(text);
        EXPECT_TRUE(r.ok()) << path << ": " << (r.ok() ? "" : r.diagnostics.front());
        EXPECT_FALSE(r.statements().empty()) << path;
    }
}

TEST(ParserCorpus, InvalidProgramsReportAnError) {
    auto files = corpus_files("invalid");
    ASSERT_FALSE(files.empty());
    for (const auto& [path, text] : files) {
        ParseResult r = parse_typescript(text);
        ASSERT_FALSE(r.ok()) << path;
        EXPECT_NE(r.diagnostics.front().find("(line "), std::string::npos) << path;
    }
}

}  // namespace
}  // namespace corvane::parser
