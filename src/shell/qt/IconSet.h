#pragma once
// Tarvo's pictures, painted with QPainter when Qt asks for a size, so they
// stay crisp at every screen scale. The index orders are the ones the rest of
// the program uses: command images for menus and the tool bar, the CAN View
// row icons by entry kind, and the frames of the status-bar log indicator.
class QIcon;
class QPixmap;

namespace tarvo::qt {

enum TCommandImage : int {
  IMG_NEW, IMG_LOAD, IMG_SAVE, IMG_CLEAR, IMG_COPY_TO_TX, IMG_SNAPSHOT,
  IMG_START, IMG_START_RX, IMG_START_TX, IMG_STOP, IMG_EXIT, IMG_HELP,
  IMG_START_LOG_RECORDING, IMG_START_LOG_REPLAY, IMG_SINGLE_STEP_LOG_REPLAY,
  IMG_PAUSE_LOG_REPLAY, IMG_STOP_LOG, IMG_FIXED, IMG_CYCLIC, IMG_FILTER_ON_ID,
  IMG_NOW, IMG_DECIMAL_DISABLED, IMG_HEADECIMAL_DISABLED, IMG_TX_DISABLED,
  IMG_TX_ENABLED, IMG_DELETE, IMG_DELETE_ALL, IMG_FONT,
  COMMAND_IMAGE_COUNT
};

// Row icons, indexed by the CAN View entry kind (0 Rx .. 9 TxError).
inline constexpr int ROW_ICON_COUNT = 10;

// Log indicator: 0 stopped, 1-2 recording, 3-4 replaying, 5-6 paused.
inline constexpr int LOG_FRAME_COUNT = 7;
inline constexpr int LOG_FRAME_WIDTH = 32;   // at 96 DPI
inline constexpr int LOG_FRAME_HEIGHT = 16;

// An index outside the list gives a null icon.
QIcon CommandIcon(int index);
QIcon RowIcon(int itemType);
// A log frame painted for a logical size (32 x 16 scaled) on a screen with
// the given device pixel ratio.
QPixmap LogFrame(int index, int width, int height, double devicePixelRatio);

}  // namespace tarvo::qt
