// Every file of the JSON parsing test suite: the y_ files must give a tree,
// and no file, nor any cut of a small one, may crash, hang or leak.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "json/Json.h"

namespace {

namespace fs = std::filesystem;

struct SuiteFile {
  std::string name;
  std::string bytes;
};

std::vector<SuiteFile> LoadSuite() {
  std::vector<SuiteFile> files;
  const fs::path dir = fs::path(WEATHER_TESTDATA_DIR) / "JSONTestSuite" / "test_parsing";
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".json") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files.push_back(
        {entry.path().filename().string(), std::string(std::istreambuf_iterator<char>(in), {})});
  }
  std::sort(files.begin(), files.end(),
            [](const SuiteFile& a, const SuiteFile& b) { return a.name < b.name; });
  return files;
}

const std::vector<SuiteFile>& Suite() {
  static const std::vector<SuiteFile> files = LoadSuite();
  return files;
}

// The kind a document's first significant byte promises.
json::JsonKind ExpectedKind(const std::string& bytes) {
  std::size_t i = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) <= 0x20) ++i;
  switch (i < bytes.size() ? bytes[i] : '\0') {
    case '{':
      return json::jsObject;
    case '[':
      return json::jsList;
    case '"':
      return json::jsString;
    case 't':
    case 'f':
      return json::jsBoolean;
    case 'n':
      return json::jsNull;
    default:
      return json::jsNumber;
  }
}

// Walks the whole tree: every value text, and every member found again by its name.
std::size_t Walk(const json::JsonNode& node) {
  std::size_t count = 1;
  json::ValueText(node);
  for (std::size_t i = 0; i < json::ElementCount(node); ++i) {
    const json::JsonNode* element = json::ElementAt(node, i);
    EXPECT_NE(element, nullptr);
    if (element == nullptr) break;
    if (json::NodeKind(node) == json::jsObject) {
      EXPECT_NE(json::FindMember(node, base::Utf16ToGbk(json::MemberNameAt(node, i))), nullptr);
    }
    count += Walk(*element);
  }
  return count;
}

TEST(JsonTestSuite, HasTheFiles) { EXPECT_GE(Suite().size(), 300u); }

TEST(JsonTestSuite, EveryMustAcceptFileGivesATree) {
  int checked = 0;
  for (const SuiteFile& file : Suite()) {
    if (file.name.rfind("y_", 0) != 0) continue;
    ++checked;
    const json::JsonDocumentPtr document = json::ParseJsonText(file.bytes);
    if (!document) {
      ADD_FAILURE() << file.name << " gave no tree";
      continue;
    }
    EXPECT_EQ(json::NodeKind(json::RootOf(*document)), ExpectedKind(file.bytes)) << file.name;
    EXPECT_GE(Walk(json::RootOf(*document)), 1u);
  }
  EXPECT_GE(checked, 90);
}

TEST(JsonTestSuite, NoFileBreaksTheReader) {
  for (const SuiteFile& file : Suite()) {
    SCOPED_TRACE(file.name);
    const json::JsonDocumentPtr document = json::ParseJsonText(file.bytes);
    if (document) Walk(json::RootOf(*document));
  }
}

TEST(JsonTestSuite, NoCutOfASmallFileBreaksTheReader) {
  for (const SuiteFile& file : Suite()) {
    if (file.bytes.size() > 4096) continue;
    for (std::size_t size = 0; size <= file.bytes.size(); ++size) {
      const json::JsonDocumentPtr document =
          json::ParseJsonText(std::string_view(file.bytes).substr(0, size));
      if (document) Walk(json::RootOf(*document));
    }
  }
}

TEST(JsonTestSuite, DeepFilesStopAtTheDepthLimit) {
  for (const SuiteFile& file : Suite()) {
    if (file.name == "n_structure_100000_opening_arrays.json" ||
        file.name == "n_structure_open_array_object.json") {
      EXPECT_FALSE(json::ParseJsonText(file.bytes)) << file.name;
    }
    if (file.name == "i_structure_500_nested_arrays.json") {
      EXPECT_TRUE(json::ParseJsonText(file.bytes)) << file.name;
    }
  }
}

}  // namespace
