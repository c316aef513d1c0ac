#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QGuiApplication>
#include <QPixmap>
#include <QSignalSpy>

#include "QtWarnings.h"
#include "ViewTestSupport.h"
#include "support/TestApplication.h"
#include "view/qt/CANViewModel.h"

namespace tarvo {
namespace {

[[maybe_unused]] auto* const qtApp =
    ::testing::AddGlobalTestEnvironment(new test::TestApplicationEnvironment("view_tests"));

using test::Frame;

class CANViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtWarnings().clear();
    previousHandler_ = qInstallMessageHandler(test::CollectQtWarnings);
    SetCANViewBufferSize(s, settings);
    model = std::make_unique<CANViewModel>(s, settings);
    model->SetDecimalSeparator(".");
    tester = std::make_unique<QAbstractItemModelTester>(model.get(),
                                                        QAbstractItemModelTester::FailureReportingMode::Warning);
  }
  void TearDown() override {
    tester.reset();
    qInstallMessageHandler(previousHandler_);
    EXPECT_TRUE(test::QtWarnings().isEmpty()) << test::QtWarnings().join('\n').toStdString();
  }

  void Receive(uint32_t firstId, int n, uint32_t timeStamp = 0) {
    for (int i = 0; i < n; ++i) DisplayReceiveMessage(s, settings, Frame(firstId + uint32_t(i), timeStamp, 0, 0, {0x11}));
  }
  void Refresh() { model->ApplyRefresh(PlanCANViewRefresh(s, model->ItemCount())); }
  QString Text(int row, TCANViewColumn column) {
    return model->data(model->index(row, int(column))).toString();
  }

  TCANViewState s;
  TDisplaySettings settings;
  std::unique_ptr<CANViewModel> model;
  std::unique_ptr<QAbstractItemModelTester> tester;

 private:
  QtMessageHandler previousHandler_ = nullptr;
};

TEST_F(CANViewModelTest, FixedRefreshAnnouncesNewRowsInOneBatch) {
  Receive(0, 600);
  QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
  QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
  Refresh();
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 599);
  EXPECT_EQ(changed.count(), 0);  // no rows existed before

  // Growth past the first 1000 entries, and an update in place.
  Receive(600, 500);
  DisplayReceiveMessage(s, settings, Frame(0, 39063, 0, 0, {0x22}));
  inserted.clear();
  Refresh();
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 600);
  EXPECT_EQ(inserted[0][2].toInt(), 1099);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 0);
  EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 599);
  EXPECT_EQ(model->rowCount(), 1100);
  EXPECT_EQ(Text(0, COLUMN_D1), "22");
  EXPECT_EQ(Text(0, COLUMN_TIME), "1.0000");
  EXPECT_EQ(Text(1099, COLUMN_ID), "44B");

  // Same count: every row is reported changed.
  changed.clear();
  inserted.clear();
  Refresh();
  EXPECT_EQ(inserted.count(), 0);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 1099);
}

TEST_F(CANViewModelTest, CyclicRefreshThroughTheWrap) {
  CANViewSelectCyclic(s, settings);
  Receive(0, 700);
  Refresh();
  EXPECT_EQ(model->rowCount(), 700);

  QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
  Receive(0x1000, 500);  // wraps: slots 700..999, then 0..199
  Refresh();
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 700);
  EXPECT_EQ(inserted[0][2].toInt(), 999);
  EXPECT_EQ(Text(s.CyclicItemNo - 1, COLUMN_ID), "11F3");  // the newest

  inserted.clear();
  QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
  Receive(0x2000, 10);
  Refresh();
  EXPECT_EQ(inserted.count(), 0);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(model->rowCount(), 1000);
  EXPECT_EQ(Text(209, COLUMN_ID), "2009");
}

TEST_F(CANViewModelTest, RowsBeyondAClearedStoreShowNothingUntilTheRefresh) {
  CANViewSelectCyclic(s, settings);
  Receive(0, 30);
  Refresh();
  CANViewClear(s, /*running=*/true);
  EXPECT_EQ(model->rowCount(), 30);
  EXPECT_FALSE(model->data(model->index(5, COLUMN_ID)).isValid());

  QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
  Receive(0x100, 4);
  Refresh();
  ASSERT_EQ(removed.count(), 1);
  EXPECT_EQ(removed[0][1].toInt(), 4);
  EXPECT_EQ(removed[0][2].toInt(), 29);
  EXPECT_EQ(Text(0, COLUMN_ID), "100");
}

TEST_F(CANViewModelTest, IconOfTheEntryKindInTheTypeColumn) {
  QList<QIcon> icons;
  for (int i = 0; i < CANViewItemKinds; ++i) {
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor::fromHsv(i * 30, 255, 255));
    icons.append(QIcon(pixmap));
  }
  model->SetIcons(icons);
  DisplayReceiveMessage(s, settings, Frame(1, 0));
  test::Transmit(s, test::RemoteFrame(1, 1), 0);
  DisplayBusState(s, test::StatusRecord(0, 0x10, 0));
  Refresh();
  auto iconKey = [&](int row, int column) {
    return model->data(model->index(row, column), Qt::DecorationRole).value<QIcon>().cacheKey();
  };
  EXPECT_EQ(iconKey(0, 0), icons[ITEM_RD].cacheKey());
  EXPECT_EQ(iconKey(1, 0), icons[ITEM_TR].cacheKey());
  EXPECT_EQ(iconKey(2, 0), icons[ITEM_BP].cacheKey());
  EXPECT_FALSE(model->data(model->index(0, 1), Qt::DecorationRole).isValid());
}

TEST_F(CANViewModelTest, ColumnsAndBaseFollowTheSettings) {
  DisplayReceiveMessage(s, settings, Frame(0x7FF, 0, 0, 0, {0x05}));
  DisplayReceiveMessage(s, settings, Frame(0x7FF, 391, 0, 0, {0x05}));
  Refresh();
  EXPECT_EQ(model->columnCount(), 14);
  EXPECT_EQ(model->headerData(13, Qt::Horizontal).toString(), "Period");
  EXPECT_EQ(model->data(model->index(0, 12)).toString(), "2");
  EXPECT_EQ(model->data(model->index(0, 13)).toString(), "0.0100");

  settings.ASCIIDecode = false;
  settings.MessageCount = false;
  model->ConfigureColumns();
  EXPECT_EQ(model->columnCount(), 12);
  EXPECT_EQ(model->headerData(11, Qt::Horizontal).toString(), "Period");
  EXPECT_EQ(model->data(model->index(0, 11)).toString(), "0.0100");

  settings.NumericBase = NUMERIC_DECIMAL;
  model->Repaint();
  EXPECT_EQ(Text(0, COLUMN_ID), "2047");
  EXPECT_EQ(Text(0, COLUMN_D1), "5");
}

}  // namespace
}  // namespace tarvo
