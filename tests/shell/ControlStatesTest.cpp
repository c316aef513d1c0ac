#include <gtest/gtest.h>

#include <sstream>

#include "ShellTestSupport.h"
#include "shell/core/ControlStates.h"

namespace tarvo {
namespace {
using test::RecordingWindow;

// One expectation per word: "+Name" enabled, "-Name" disabled, "?Name" left
// alone, "Name=Esc" shortcut set to Esc, "Name=" shortcut removed.
void ExpectControls(const RecordingWindow& w, const std::string& expectations, const std::string& label) {
  std::istringstream words(expectations);
  std::string word;
  while (words >> word) {
    const size_t eq = word.find('=');
    if (eq != std::string::npos) {
      EXPECT_EQ(w.Shortcut(word.substr(0, eq)), word.substr(eq + 1)) << label << ": " << word;
      continue;
    }
    const std::string name = word.substr(1);
    if (word[0] == '?')
      EXPECT_FALSE(w.Enabled(name).has_value()) << label << ": " << word;
    else
      EXPECT_EQ(w.Enabled(name), word[0] == '+') << label << ": " << word;
  }
}

struct ControlCase {
  const char* Label;
  bool Running;  // SetRunningControls, else SetStoppedControls
  bool LogChange;
  TControlContext Context;
  const char* Expect;
};

TControlContext Ctx(TStartState start, TLogState log, bool running = false, bool ready = true, bool clock40 = true,
                    bool hpTimer = true) {
  TControlContext c;
  c.StartState = start;
  c.LogState = log;
  c.RunningFlag = running;
  c.DeviceReadyFlag = ready;
  c.CANClock40MHzFlag = clock40;
  c.HPTimerSupportedFlag = hpTimer;
  return c;
}

const ControlCase Cases[] = {
    {"run start", true, false, Ctx(START_RX_TX, NO_LOG),
     "-New1 -NewButton -Load1 -LoadButton -RadioButton100 -RadioButton111 -RadioButton112 -RadioButton120 "
     "-SpinEdit1 -SpinEdit6 -Save1 -SaveButton -SaveAs1 -DisplayOptions1 -StartLogReplay1 "
     "-StartLogReplayButton -SingleStepLogReplay1 -SingleStepLogReplayButton -Start1 -StartButton Start1= "
     "-StartRxTx1 -StartRxTxButton +Stop1 +StopButton Stop1=Esc -DisableAll1 -EnableAll1 -Delete1 -DeleteAll1 "
     "-AddButton -DeleteButton -RadioButton12 -RadioButton22 -Edit11 -Edit18 ?StartLogRecording1 ?Edit1"},
    {"receive-only run start", true, false, Ctx(START_RX, NO_LOG), "+StartRxTx1 +StartRxTxButton -Start1 +Stop1"},
    {"recording starts", true, true, Ctx(START_RX_TX, RECORD_LOG),
     "-New1 -LoadButton -RadioButton105 -SpinEdit3 -StartLogRecording1 -StartLogRecordingButton "
     "StartLogRecording1= -StartLogReplay1 -SingleStepLogReplayButton +StopLog1 +StopLogButton StopLog1=Ctrl+L "
     "-LogOptions1 ?Start1 ?Stop1 ?Save1 ?RadioButton12"},
    {"replay starts", true, true, Ctx(START_RX_TX, REPLAY_LOG_RUNNING),
     "-New1 -Save1 -SaveAs1 -DisplayOptions1 -StartLogRecording1 StartLogRecording1= -StartLogReplay1 "
     "-SingleStepLogReplayButton +PauseLogReplay1 +PauseLogReplayButton +StopLog1 StopLog1=Ctrl+L -Start1 "
     "Start1= -StartRxTx1 -StartRxTxButton -Stop1 -StopButton Stop1=Esc -Delete1 -Edit1 -SpinEdit7 -ComboBox1 "
     "-ComboBox2 -Edit10 -AddButton -ModifyButton -DeleteButton -NowButton -RadioButton30 -RadioButton35 -Edit2 "
     "-Edit9 -RadioButton12 -Edit18 ?LogOptions1 ?DeleteAll1"},
    {"single step starts", true, true, Ctx(START_RX_TX, REPLAY_LOG_SINGLE_STEP),
     "?PauseLogReplay1 ?StartLogReplay1 ?SingleStepLogReplay1 -Start1 +StopLog1 -Edit5"},
    {"paused replay changes only the configuration", true, true, Ctx(START_RX_TX, REPLAY_LOG_PAUSED),
     "-New1 -SpinEdit1 ?StopLog1 ?Start1"},
    {"run end", false, false, Ctx(START_TX, NO_LOG),
     "+New1 +NewButton +Load1 +LoadButton +Save1 +SaveButton +SaveAs1 +DisplayOptions1 +Start1 +StartButton "
     "Start1=Esc +StartRxTx1 +StartRxTxButton -Stop1 -StopButton Stop1= +DisableAll1 +EnableAll1 +Delete1 "
     "+DeleteAll1 +AddButton +DeleteButton +RadioButton12 +RadioButton22 +Edit11 +Edit18 +StartLogReplay1 "
     "+StartLogReplayButton +SingleStepLogReplay1 +SingleStepLogReplayButton +RadioButton100 +RadioButton111 "
     "+RadioButton112 +RadioButton120 +SpinEdit1 +SpinEdit6 ?StopLog1"},
    {"run end on a 20 MHz adapter without a precise timer", false, false,
     Ctx(START_RX_TX, NO_LOG, false, true, false, false),
     "-RadioButton111 +RadioButton110 +RadioButton112 -StartLogReplay1 -StartLogReplayButton "
     "+SingleStepLogReplay1"},
    {"run end while recording keeps the bit timing", false, false, Ctx(START_RX_TX, RECORD_LOG),
     "+New1 +Start1 ?RadioButton100 ?SpinEdit1 ?StartLogReplay1 ?SingleStepLogReplay1"},
    {"recording ends while running", false, true, Ctx(START_RX_TX, RECORD_LOG, true),
     "+StartLogRecording1 +StartLogRecordingButton StartLogRecording1=Ctrl+L -StopLog1 -StopLogButton StopLog1= "
     "+LogOptions1 ?New1 ?RadioButton100 ?StartLogReplay1"},
    {"recording ends while stopped", false, true, Ctx(START_RX_TX, RECORD_LOG, false, true, false, false),
     "+New1 +NewButton +Load1 +LoadButton -StartLogReplay1 +SingleStepLogReplay1 +SingleStepLogReplayButton "
     "+RadioButton100 -RadioButton111 +RadioButton120 +SpinEdit6 +LogOptions1"},
    {"recording ends without an adapter", false, true, Ctx(START_RX_TX, RECORD_LOG, false, false),
     "+New1 +Load1 +RadioButton100 +RadioButton120 +SpinEdit1 ?StartLogReplay1 ?SingleStepLogReplay1"},
    {"replay ends", false, true, Ctx(START_RX_TX, REPLAY_LOG_PAUSED, true, true, false),
     "+New1 +Load1 +Save1 +SaveAs1 +DisplayOptions1 +Start1 Start1=Esc +StartRxTx1 +StartRxTxButton -Stop1 "
     "Stop1= +Delete1 +Edit1 +SpinEdit7 +ComboBox2 +Edit10 +ModifyButton +NowButton +RadioButton30 +Edit9 "
     "+RadioButton100 -RadioButton111 +RadioButton120 +SpinEdit6 +RadioButton12 +Edit11 +StartLogRecording1 "
     "StartLogRecording1=Ctrl+L +StartLogReplay1 +SingleStepLogReplay1 -PauseLogReplay1 -PauseLogReplayButton "
     "-StopLog1 -StopLogButton StopLog1= ?DisableAll1"},
    {"log end without a log changes nothing", false, true, Ctx(START_RX_TX, NO_LOG), "?New1 ?Start1 ?StopLog1"},
};

TEST(ControlStates, EachRunAndLogStateSetsItsControls) {
  for (const ControlCase& c : Cases) {
    RecordingWindow w;
    if (c.Running)
      SetRunningControls(w, c.Context, c.LogChange);
    else
      SetStoppedControls(w, c.Context, c.LogChange);
    ExpectControls(w, c.Expect, c.Label);
  }
}

TEST(ControlStates, ReceiveOnlyRunRelabelsStartRxAsStartTxAndBack) {
  RecordingWindow w;
  SetRunningControls(w, Ctx(START_RX, NO_LOG), false);
  EXPECT_EQ(w.Of("StartRxTxButton").Caption, "Start Tx");
  EXPECT_EQ(w.Of("StartRxTxButton").Hint, "Start Tarvo Tx");
  EXPECT_EQ(w.Of("StartRxTxButton").Image, 8);
  EXPECT_EQ(w.Of("StartRxTx1").Caption, "Start Tarvo Tx");
  EXPECT_EQ(w.Of("StartRxTx1").Hint, "Start Tarvo Tx");
  EXPECT_EQ(w.Of("StartRxTx1").Image, 8);

  SetStoppedControls(w, Ctx(START_RX, NO_LOG), false);
  EXPECT_EQ(w.Of("StartRxTxButton").Caption, "Start Rx");
  EXPECT_EQ(w.Of("StartRxTxButton").Hint, "Start Tarvo Rx");
  EXPECT_EQ(w.Of("StartRxTxButton").Image, 7);
  EXPECT_EQ(w.Of("StartRxTx1").Caption, "Start Tarvo Rx");
  EXPECT_EQ(w.Of("StartRxTx1").Image, 7);
}

TEST(ControlStates, TransmittingRunLeavesTheStartRxLabelAlone) {
  RecordingWindow w;
  SetRunningControls(w, Ctx(START_RX_TX, NO_LOG), false);
  EXPECT_FALSE(w.Of("StartRxTxButton").Caption.has_value());
}

}  // namespace
}  // namespace tarvo
