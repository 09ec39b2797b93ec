# Headers that nearly every file of a kind includes, parsed once into a precompiled header
# instead of once per file: Qt Widgets for the controls and the editor, GoogleTest for the
# tests, both for the tests of the window. Targets of one kind reuse one header (REUSE_FROM),
# which needs the same compiler flags as the target that built it: gcc then refuses the header
# with a warning (-Winvalid-pch, which CMake adds), an error here, so a mismatch shows at once.
option(MORVANE_PCH "Precompile the Qt Widgets and GoogleTest headers" ON)

set(MORVANE_STD_PCH_HEADERS
  <algorithm> <array> <cstdint> <functional> <memory> <optional> <span> <stdexcept> <string>
  <string_view> <utility> <vector>)

set(MORVANE_QT_PCH_HEADERS
  ${MORVANE_STD_PCH_HEADERS}
  <QAction> <QApplication> <QCheckBox> <QDir> <QFile> <QFileInfo> <QKeyEvent> <QLabel>
  <QLineEdit> <QMenu> <QMenuBar> <QMouseEvent> <QObject> <QPushButton> <QRadioButton>
  <QSettings> <QStatusBar> <QString> <QStringList> <QTabWidget> <QTimer> <QUndoStack> <QWidget>)

set(MORVANE_GTEST_PCH_HEADERS
  ${MORVANE_STD_PCH_HEADERS} <chrono> <filesystem> <fstream> <gtest/gtest.h>)

# The targets that build the shared headers compile one empty file each.
set(morvanePchAnchor ${PROJECT_SOURCE_DIR}/cmake/pch_anchor.cpp)

# gcc before 13 drops the warning pragmas of a precompiled header (its bug 64117). The standard
# library's char_traits.h silences these false positives of its inlined copies with such
# pragmas; through a precompiled header they would come back in our files.
set(morvanePchWarnings)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  set(morvanePchWarnings -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
endif()

# morvane_qt_pch(TARGET): the Qt Widgets headers, shared by the Qt libraries and programs.
function(morvane_qt_pch target)
  if(NOT MORVANE_PCH)
    return()
  endif()
  if(NOT TARGET morvane_qt_pch)
    add_library(morvane_qt_pch OBJECT ${morvanePchAnchor})
    target_link_libraries(morvane_qt_pch PRIVATE Qt6::Widgets)
    set_target_properties(morvane_qt_pch PROPERTIES AUTOMOC OFF)
    target_precompile_headers(morvane_qt_pch PRIVATE ${MORVANE_QT_PCH_HEADERS})
  endif()
  target_precompile_headers(${target} REUSE_FROM morvane_qt_pch)
  target_compile_options(${target} PRIVATE ${morvanePchWarnings})
endfunction()

# morvane_gtest_pch(TARGET): GoogleTest's headers, shared by the tests without Qt.
function(morvane_gtest_pch target)
  if(NOT MORVANE_PCH)
    return()
  endif()
  if(NOT TARGET morvane_gtest_pch)
    add_library(morvane_gtest_pch OBJECT ${morvanePchAnchor})
    target_link_libraries(morvane_gtest_pch PRIVATE GTest::gtest)
    set_target_properties(morvane_gtest_pch PROPERTIES AUTOMOC OFF)
    target_precompile_headers(morvane_gtest_pch PRIVATE ${MORVANE_GTEST_PCH_HEADERS})
  endif()
  target_precompile_headers(${target} REUSE_FROM morvane_gtest_pch)
  target_compile_options(${target} PRIVATE ${morvanePchWarnings})
endfunction()

# morvane_qt_test_pch(TARGET): Qt Widgets, QtTest and GoogleTest, for a test of the window or the
# controls. Each such test builds its own: QtTest's headers read the test's own build folder
# (QT_TESTCASE_BUILDDIR), which differs from target to target.
function(morvane_qt_test_pch target)
  if(NOT MORVANE_PCH)
    return()
  endif()
  target_precompile_headers(${target} PRIVATE
    ${MORVANE_QT_PCH_HEADERS} ${MORVANE_GTEST_PCH_HEADERS} <QSignalSpy> <QTemporaryDir> <QTest>)
  target_compile_options(${target} PRIVATE ${morvanePchWarnings})
endfunction()
