#include "transmit/CANViewTransmitEcho.h"

#include <gtest/gtest.h>

#include "TransmitFakes.h"
#include "common/DisplaySettings.h"

namespace tarvo {
namespace {

// The schedule's echoes land in the CAN View as transmitted entries at their
// due times, a data frame as "TD" and a remote frame as "TR".
TEST(CANViewTransmitEcho, ScheduledTransmissionsBecomeTransmitEntries) {
  test::TransmitRig rig;
  TCANViewState view;
  TDisplaySettings settings;
  SetCANViewBufferSize(view, settings);
  CANViewTransmitEcho echo(view);
  TTransmitScheduler scheduler(rig.List, rig.Host, rig.Sender, echo, rig.Clock);

  rig.List.Count = 2;
  rig.List.List[0] = {true, 0, 0x123, 0, 2, {0xAB, 0xCD}, 4, 0, "", 0, 0};
  rig.List.List[1] = {true, 1, 0x1ABCDEF, 1, 8, {}, 4, 0, "", 0, 0};
  ASSERT_EQ(scheduler.LoadTransmitList(), RES_OK);
  rig.Host.RunningFlag = true;
  rig.Host.Time = 100;
  scheduler.BuildTransmitSchedule();
  scheduler.ProcessTransmitSchedule(true, 0);

  ASSERT_EQ(view.CANView.Count, 2);
  const TCANViewMessage& data = view.CANView.List[0];
  EXPECT_EQ(data.ItemType, ITEM_TD);
  EXPECT_EQ(data.Item.ID, 0x123u);
  EXPECT_EQ(data.Item.DLC, 2);
  EXPECT_EQ(data.Item.Data[1], 0xCD);
  EXPECT_EQ(data.Item.TimeStamp, 3906u);  // 100 ms in adapter ticks
  EXPECT_EQ(view.CANView.List[1].ItemType, ITEM_TR);
  EXPECT_EQ(view.CANView.List[1].Item.IDE, 1);
}

}  // namespace
}  // namespace tarvo
