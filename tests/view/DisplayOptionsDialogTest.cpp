// The Display Options dialog keeps its fixed size: every control, the
// database's "Display Message Name" among them, fits inside it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLayout>

#include "view/qt/DisplayOptionsDialog.h"

namespace tarvo {
namespace {

TEST(DisplayOptionsDialogTest, EveryControlFitsTheFixedSize) {
  for (double scaling : {1.0, 1.5}) {
    DisplayOptionsDialog dialog(scaling);
    const QSize needed = dialog.layout()->minimumSize();
    EXPECT_LE(needed.width(), dialog.width()) << scaling;
    EXPECT_LE(needed.height(), dialog.height()) << scaling;
    auto* name = dialog.findChild<QCheckBox*>("CheckBox6");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Display Message Name");
  }
}

}  // namespace
}  // namespace tarvo
