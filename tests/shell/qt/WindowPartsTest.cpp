// Parts of the window that stand alone: the About dialog, the Help command,
// the pictures, the Qt clock and the pixel scaling.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTimer>

#include "QtTestSupport.h"
#include "support/TempFolder.h"
#include "shell/qt/AboutDialog.h"
#include "shell/qt/IconSet.h"
#include "shell/qt/QtPlatform.h"

namespace tarvo::test {
namespace {

TEST(AboutDialog, ShowsProductAndVersionInAFixedSizeDialog) {
  EnsureApplication();
  qt::AboutDialog about(1.0, nullptr);
  EXPECT_EQ(about.windowTitle(), "About");
  EXPECT_EQ(about.size(), QSize(237, 211));
  EXPECT_EQ(about.minimumSize(), about.maximumSize());
  auto* product = about.findChild<QLabel*>("ProductName");
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(product->text(), "Tarvo");
  EXPECT_EQ(product->font().pixelSize(), 21);
  EXPECT_EQ(product->palette().color(QPalette::WindowText), QColor(0, 87, 166));
  EXPECT_EQ(about.VersionLabel()->font().pixelSize(), 13);
  EXPECT_EQ(about.VersionLabel()->palette().color(QPalette::WindowText), QColor(0, 87, 166));
  EXPECT_NE(about.findChild<QLabel*>("Comments"), nullptr);

  about.show();
  EXPECT_EQ(about.VersionLabel()->text(), "Application v5.6");
  about.hide();
  about.show();  // shown again: still one version
  EXPECT_EQ(about.VersionLabel()->text(), "Application v5.6");
}

TEST(AboutDialog, ShowsWhatTheAdapterIs) {
  EnsureApplication();
  qt::AboutDialog about(1.0, nullptr);
  QStringList texts;
  for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains("USB <> CAN"));
  EXPECT_TRUE(texts.contains("Bus Interface"));
}

TEST(AboutDialog, AClickOnALabelClosesIt) {
  EnsureApplication();
  qt::AboutDialog about(1.0, nullptr);
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  QTest::mouseClick(about.VersionLabel(), Qt::LeftButton);
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(HelpCommand, NothingHappensWhenTheHelpPageIsMissing) {
  WindowWithCANView w;
  EXPECT_TRUE(w.window.HelpFile().endsWith("/Tarvo.html"));
  w.window.SetHelpFile("/nonexistent/Tarvo.html");
  EXPECT_FALSE(w.window.ShowHelp());
}

// ---- pictures ----

bool HasInk(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) > 0) return true;
  return false;
}

TEST(IconSet, EveryCommandAndRowIconPaintsAtAnySize) {
  EnsureApplication();
  for (int i = 0; i < qt::COMMAND_IMAGE_COUNT; ++i) {
    SCOPED_TRACE(i);
    for (int size : {16, 24, 40}) {
      EXPECT_TRUE(HasInk(qt::CommandIcon(i).pixmap(size, size).toImage()));
      EXPECT_TRUE(HasInk(qt::CommandIcon(i).pixmap(QSize(size, size), QIcon::Disabled).toImage()));
    }
  }
  for (int i = 0; i < qt::ROW_ICON_COUNT; ++i) EXPECT_TRUE(HasInk(qt::RowIcon(i).pixmap(16, 16).toImage())) << i;
  EXPECT_TRUE(qt::CommandIcon(qt::COMMAND_IMAGE_COUNT).isNull());
  EXPECT_TRUE(qt::RowIcon(-1).isNull());
}

TEST(IconSet, DisabledCommandImageIsGreyed) {
  EnsureApplication();
  const QImage normal = qt::CommandIcon(qt::IMG_START).pixmap(16, 16).toImage();
  const QImage disabled = qt::CommandIcon(qt::IMG_START).pixmap(QSize(16, 16), QIcon::Disabled).toImage();
  const QRgb centre = disabled.pixel(8, 8);
  EXPECT_NE(normal.pixel(8, 8), centre);
  EXPECT_EQ(qRed(centre), qGreen(centre));
}

TEST(IconSet, AnimationFramesDifferFromEachOther) {
  EnsureApplication();
  for (int i = 0; i < qt::LOG_FRAME_COUNT; ++i) {
    const QImage a = qt::LogFrame(i, 32, 16, 1.0).toImage();
    EXPECT_EQ(a.size(), QSize(32, 16));
    for (int j = i + 1; j < qt::LOG_FRAME_COUNT; ++j)
      EXPECT_NE(a, qt::LogFrame(j, 32, 16, 1.0).toImage()) << i << " vs " << j;
  }
  EXPECT_EQ(qt::LogFrame(0, 32, 16, 2.0).size(), QSize(64, 32));
}

// ---- clock and scaling ----

TEST(QtClock, WaitProcessingMessagesPassesMoreThanTheTimeAndKeepsEventsFlowing) {
  EnsureApplication();
  qt::QtClock clock;
  bool fired = false;
  QTimer::singleShot(0, [&] { fired = true; });
  const uint32_t start = clock.TickCount();
  clock.WaitProcessingMessages(20);
  EXPECT_GT(clock.TickCount() - start, 20u);
  EXPECT_TRUE(fired);
}

// Enter answers a box with its default button: never the Yes of a question
// whose Yes overwrites a file.
TEST(QtUserDialogs, EnterNeverChoosesTheYesThatOverwrites) {
  EnsureApplication();
  const struct {
    TDialogButtons Buttons;
    TDialogResult Enter;
  } cases[] = {{TDialogButtons::YesNo, TDialogResult::No},
               {TDialogButtons::YesNoCancel, TDialogResult::Yes},
               {TDialogButtons::OKCancel, TDialogResult::OK},
               {TDialogButtons::OK, TDialogResult::OK}};
  qt::QtUserDialogs dialogs(nullptr);
  for (const auto& c : cases) {
    ModalSteps steps;
    steps.Then([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(dialogs.ShowMessage("Overwrite this log file?", TDialogType::Confirmation, c.Buttons), c.Enter)
        << int(c.Buttons);
    EXPECT_TRUE(steps.Done());
  }
}

// The regional long time of log headers and snapshots is the time alone.
TEST(RegionalTime, TheLongTimeFormatLosesItsTimeZone) {
  const std::pair<const char*, const char*> cases[] = {{"HH:mm:ss t", "HH:mm:ss"},
                                                       {"h:mm:ss AP t", "h:mm:ss AP"},
                                                       {"t HH:mm:ss", "HH:mm:ss"},
                                                       {"HH:mm:ss tttt", "HH:mm:ss"},
                                                       {"HH 'at' mm", "HH 'at' mm"},
                                                       {"HH:mm:ss", "HH:mm:ss"}};
  for (const auto& [format, expected] : cases) EXPECT_EQ(qt::TimeFormatWithoutZone(format), expected) << format;
  EXPECT_EQ(qt::RegionalLongTimeNow().find("UTC"), std::string::npos);
}

// The open dialog takes a new file name in a folder that exists, and holds
// on to a name whose folder does not.
TEST(QtUserDialogs, OpenTakesANewFileNameInAnExistingFolder) {
  EnsureApplication();
  TempFolder dir("tarvo-dialogs");
  qt::QtUserDialogs dialogs(nullptr);
  const QString fresh = QString::fromStdString(dir.File("next-run.txt"));
  {
    ModalSteps steps;
    steps.Then(ModalSteps::ChooseFile(fresh));
    EXPECT_EQ(dialogs.OpenFileDialog({"Open", "Text (*.txt)|*.txt", dir.Path().string(), ""}),
              std::optional<std::string>(fresh.toStdString()));
  }
  {
    ModalSteps steps;
    bool stayedOpen = false;
    steps.Then([&](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      ASSERT_NE(dialog, nullptr);
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(dir.File("no-such-folder/run.txt")));
      QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
      stayedOpen = dialog->isVisible();
      dialog->reject();
    });
    EXPECT_EQ(dialogs.OpenFileDialog({"Open", "Text (*.txt)|*.txt", dir.Path().string(), ""}), std::nullopt);
    EXPECT_TRUE(stayedOpen);
  }
}

}  // namespace
}  // namespace tarvo::test
