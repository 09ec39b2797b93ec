#include "parammap/generic_list.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace morvane::parammap {
namespace {

TEST(GenericList, CoversEveryLayerParameterOnceWithinTheList) {
  const std::vector<GenericEntry> entries = GenericParameterList();
  EXPECT_EQ(entries.size(), ControlsOn(Page::Layer).size() + ControlsOn(Page::Patchcords).size());
  std::set<int> keys;
  std::set<std::string> names;
  for (const GenericEntry& entry : entries) {
    EXPECT_GE(entry.key, 0);
    EXPECT_LT(entry.key, kGenericListSize);
    EXPECT_TRUE(keys.insert(entry.key).second) << entry.key;
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    EXPECT_LE(entry.min, entry.max) << entry.name;
  }
  struct Case {
    int key;
    const char* name;
    int parameter;
    int min;
    int max;
  };
  const Case cases[] = {
      {2, "Layer vol", 1410, -96, 10},
      {49, "Filter type", 1537, 0, 163},
      {kGenericStartItem, "Aux Env R2 level", 1831, -100, 100},
      {193, "Cord 1 src", 1921, 0, 167},
      {194, "Cord 1 des", 1922, 0, 191},
      {264, "Cord 24 amount", 1992, -100, 100},
  };
  for (const Case& c : cases) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const GenericEntry& e) { return e.key == c.key; });
    ASSERT_NE(found, entries.end()) << c.key;
    EXPECT_EQ(found->name, c.name);
    EXPECT_EQ(found->parameter, c.parameter);
    EXPECT_EQ(found->min, c.min);
    EXPECT_EQ(found->max, c.max);
  }
}

TEST(GenericList, TheShippedFileIsTheOneTheMapGives) {
  std::ifstream file(MORVANE_DATA_DIR "/parms.txt", std::ios::binary);
  ASSERT_TRUE(file) << "data/parms.txt is missing";
  const std::string shipped{std::istreambuf_iterator<char>(file), {}};
  const std::string expected = GenericParameterFile();
  if (shipped != expected) {
    std::ofstream(MORVANE_BINARY_DIR "/parms.txt", std::ios::binary) << expected;
    FAIL() << "data/parms.txt differs from the parameter map; the map's version is in "
           << MORVANE_BINARY_DIR "/parms.txt";
  }
}

}  // namespace
}  // namespace morvane::parammap
