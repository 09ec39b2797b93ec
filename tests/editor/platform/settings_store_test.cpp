#include "editor/platform/settings_store.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

namespace morvane::editor {
namespace {

TEST(SettingsStore, DecimalTextOrTheDefault) {
  struct Case {
    const char* text;
    int expected;
  };
  const Case cases[] = {{"2", 2},   {"-1", -1},  {"+7", 7},    {"", 99},    {" 2", 99},
                        {"2 ", 99}, {"$10", 99}, {"0x10", 99}, {"abc", 99}, {"99999999999", 99}};
  for (const Case& c : cases) {
    EXPECT_EQ(DecimalOr(QString::fromLatin1(c.text), 99), c.expected) << c.text;
  }
}

TEST(SettingsStore, ValuesSurviveARestartAsText) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
  {
    TSettingsStore store;
    EXPECT_FALSE(store.Contains(TSettingsStore::kOut));
    EXPECT_EQ(store.ReadInteger(TSettingsStore::kOut, -1), -1);
    EXPECT_TRUE(store.ReadFlag(TSettingsStore::kHint, true));
    store.WriteInteger(TSettingsStore::kOut, 2);
    store.WriteFlag(TSettingsStore::kHint, false);
    store.WriteText(TSettingsStore::kOpen, QStringLiteral("/tmp/a b.syx"));
  }
  TSettingsStore restarted;
  EXPECT_EQ(restarted.ReadInteger(TSettingsStore::kOut, -1), 2);
  EXPECT_FALSE(restarted.ReadFlag(TSettingsStore::kHint, true));
  EXPECT_EQ(restarted.ReadText(TSettingsStore::kOpen), QStringLiteral("/tmp/a b.syx"));

  QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "keltano", "mrveditor");
  EXPECT_EQ(raw.value("setup/out").toString(), QStringLiteral("2"));
  EXPECT_EQ(raw.value("setup/hint").toString(), QStringLiteral("0"));
}

}  // namespace
}  // namespace morvane::editor
