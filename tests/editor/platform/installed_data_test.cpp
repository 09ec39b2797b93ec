#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data_files.h"

namespace morvane::editor::testing {
namespace {

// An installed program (PREFIX/bin) finds its data files in PREFIX/share/morvane, and still
// prefers a file that lies beside it.
TEST(InstalledDataFiles, AreFoundInTheDataFolderUnlessOneLiesBesideTheProgram) {
  QTemporaryDir prefix;
  ASSERT_TRUE(prefix.isValid());
  const QDir root(prefix.path());
  ASSERT_TRUE(root.mkpath(QStringLiteral("bin")));
  ASSERT_TRUE(root.mkpath(QStringLiteral("share/morvane")));
  const QString bin = root.filePath(QStringLiteral("bin"));
  for (const QString& file : {root.filePath(QStringLiteral("share/morvane/init.syx")),
                              root.filePath(QStringLiteral("share/morvane/instr.txt")),
                              root.filePath(QStringLiteral("bin/instr.txt"))}) {
    QFile made(file);
    ASSERT_TRUE(made.open(QIODevice::WriteOnly));
  }
  EXPECT_EQ(QDir::fromNativeSeparators(DataFilePath(bin, kInitialPresetFile)),
            root.filePath(QStringLiteral("share/morvane/init.syx")));
  EXPECT_EQ(QDir::fromNativeSeparators(DataFilePath(bin, kInstrumentFile)),
            root.filePath(QStringLiteral("bin/instr.txt")));
}

}  // namespace
}  // namespace morvane::editor::testing
