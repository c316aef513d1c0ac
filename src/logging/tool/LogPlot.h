#pragma once
// tarvo-log plot LOG --dbc DB --signal NAME [--signal NAME...] --png OUT
//                [--size WxH] [--type txt|csv|asc]
// renders the signal plot of a log file, as the program draws it, into a
// PNG file, without a window.
namespace tarvo {
int PlotCommand(int argc, char** argv);
}  // namespace tarvo
