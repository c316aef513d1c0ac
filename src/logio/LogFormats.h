#pragma once
// Each format's own entry points: whether the first bytes are its own, its
// reader and its writer. Only LogReader.cpp and LogWriter.cpp call these;
// everything else goes through MakeLogReader and MakeLogWriter.
#include <memory>
#include <string_view>

#include "logio/LogReader.h"
#include "logio/LogWriter.h"

namespace tarvo {

// Tarvo TXT and CSV (TXT_FILE / CSV_FILE of the recorder).
bool IsTarvoLog(std::string_view head, TLogFormat& format);
std::unique_ptr<TLogReader> MakeTarvoReader(std::unique_ptr<TByteSource> source, TLogFormat format);
std::unique_ptr<TLogWriter> MakeTarvoWriter(TLogFormat format, TByteSink& sink, const TLogWriteOptions& options);

bool IsAscLog(std::string_view head);
std::unique_ptr<TLogReader> MakeAscReader(std::unique_ptr<TByteSource> source);
std::unique_ptr<TLogWriter> MakeAscWriter(TByteSink& sink, const TLogWriteOptions& options);

bool IsCandumpLog(std::string_view head);
std::unique_ptr<TLogReader> MakeCandumpReader(std::unique_ptr<TByteSource> source);
std::unique_ptr<TLogWriter> MakeCandumpWriter(TByteSink& sink, const TLogWriteOptions& options);

bool IsBlfLog(std::string_view head);
std::unique_ptr<TLogReader> MakeBlfReader(std::unique_ptr<TByteSource> source);
std::unique_ptr<TLogWriter> MakeBlfWriter(TByteSink& sink, const TLogWriteOptions& options);

bool IsTrcLog(std::string_view head);
std::unique_ptr<TLogReader> MakeTrcReader(std::unique_ptr<TByteSource> source);
std::unique_ptr<TLogWriter> MakeTrcWriter(TByteSink& sink, const TLogWriteOptions& options);

}  // namespace tarvo
