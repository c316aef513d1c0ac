#pragma once
// Where a written log's bytes go: a file that is replaced only when the
// whole log was written (common/ReplacingFile), standard output for "-",
// or memory. Bytes are gathered in large blocks. A binary format that
// fills in its header at the end (BLF) writes there again where the sink
// can seek; standard output cannot.
#include <cstdint>
#include <memory>
#include <string>

namespace tarvo {

class TReplacingFile;

class TByteSink {
 public:
  virtual ~TByteSink() = default;
  void Put(const void* bytes, size_t n);
  void Put(std::string_view text) { Put(text.data(), text.size()); }
  // Bytes put so far.
  uint64_t Position() const { return flushed_ + buffer_.size(); }
  // Writes bytes again at an earlier offset; false where the sink cannot
  // seek (standard output).
  bool PutAt(uint64_t offset, const void* bytes, size_t n);
  // Everything put has reached its place; false with the reason.
  bool Finish(std::string& error);

 protected:
  virtual bool Emit(const char* bytes, size_t n) = 0;
  virtual bool EmitAt(uint64_t, const char*, size_t) { return false; }
  virtual bool Close(std::string& error) = 0;
  bool failed_ = false;

 private:
  bool Flush();
  std::string buffer_;
  uint64_t flushed_ = 0;
};

// A file written anew through a temporary file beside it.
class TFileSink : public TByteSink {
 public:
  explicit TFileSink(const std::string& path);
  ~TFileSink() override;
  bool Opened() const;
  const std::string& OpenError() const;

 protected:
  bool Emit(const char* bytes, size_t n) override;
  bool EmitAt(uint64_t offset, const char* bytes, size_t n) override;
  bool Close(std::string& error) override;

 private:
  std::unique_ptr<TReplacingFile> file_;
};

// Standard output.
class TStdoutSink : public TByteSink {
 protected:
  bool Emit(const char* bytes, size_t n) override;
  bool Close(std::string& error) override;
};

// A device or FIFO named as output, written into as it is.
class TDeviceSink : public TByteSink {
 public:
  ~TDeviceSink() override;
  bool Open(const std::string& path, std::string& error);

 protected:
  bool Emit(const char* bytes, size_t n) override;
  bool Close(std::string& error) override;

 private:
  int fd_ = -1;
  std::string error_;
};

// Memory, for tests.
class TStringSink : public TByteSink {
 public:
  std::string Bytes;

 protected:
  bool Emit(const char* bytes, size_t n) override {
    Bytes.append(bytes, n);
    return true;
  }
  bool EmitAt(uint64_t offset, const char* bytes, size_t n) override {
    if (offset + n > Bytes.size()) return false;
    Bytes.replace(size_t(offset), n, bytes, n);
    return true;
  }
  bool Close(std::string&) override { return true; }
};

// "-" is standard output; a device or FIFO is written into; anything else
// is a file written anew, refused when it is write-protected.
std::unique_ptr<TByteSink> OpenByteSink(const std::string& path, std::string& error);

}  // namespace tarvo
