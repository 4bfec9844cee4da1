// Buffered file streams with 4096-byte buffers, the ground of the files
// scripts read and write: an input stream that reads ahead, an output
// stream that writes into a temporary file beside its target and renames it
// over the target when closed (so a file is never left half written), and
// the text-file reader and writer of scripts built on them.
//
// Every stream is a registered host object (vm/host_registry.h): natives
// check that a host value still names a live stream before touching it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "vm/value.h"

namespace ruvel {

class TBufferedStream : public TObject {
 public:
  static constexpr size_t kBufferSize = 4096;

  ~TBufferedStream() override;
  TBufferedStream(const TBufferedStream&) = delete;
  TBufferedStream& operator=(const TBufferedStream&) = delete;

  bool HasFile() const { return fd_ >= 0; }

 protected:
  // Takes ownership of the open file descriptor fd (-1 for none).
  explicit TBufferedStream(int fd);
  void CloseFile();

  int fd_;
  unsigned char buffer_[kBufferSize];
  // Output: bytes held in the buffer. Input: the read position.
  size_t count_ = 0;
};

class TBufferedInputStream : public TBufferedStream {
 public:
  // Fills the buffer from fd's current position at once.
  explicit TBufferedInputStream(int fd);
  const char* TypeName() const override { return "TBufferedInputStream"; }

  // Copies up to n bytes into dst and returns how many were read: 0 when
  // there is no file or nothing is left.
  size_t Read(void* dst, size_t n);
  // The next byte (0-255), or -1 at the end of data.
  int ReadByte();
  // True when no byte is left.
  bool AtEnd() const { return available_ < 1; }

 private:
  void Fill();

  // Bytes of the buffer not read yet.
  ptrdiff_t available_ = 0;
};

class TBufferedOutputStream : public TBufferedStream {
 public:
  // Opens a new temporary file in target's folder; Close renames it over
  // target. HasFile() is false when the temporary file cannot be made.
  explicit TBufferedOutputStream(const std::string& target);
  // Closes (and so commits) a stream its owner did not close.
  ~TBufferedOutputStream() override;
  const char* TypeName() const override { return "TBufferedOutputStream"; }

  // Appends n bytes; nothing when there is no file.
  void Write(const void* src, size_t n);
  void WriteByte(uint8_t b) { Write(&b, 1); }
  // Writes the held bytes to the file. False once any write has failed.
  bool Flush();
  // Flushes, closes the file and renames it over the target. When a write
  // failed the target is left as it was and the temporary file removed.
  // Returns true when the target now holds everything written; later calls
  // do nothing and return the first result.
  bool Close();

  const std::string& Target() const { return target_; }

 private:
  std::string target_;
  std::string temp_;
  bool failed_ = false;
  bool closed_ = false;
  bool committed_ = false;
};

// The stream behind a script's "FileReader".
class TFileReader : public TBufferedInputStream {
 public:
  explicit TFileReader(int fd) : TBufferedInputStream(fd) {}
  const char* TypeName() const override { return "TFileReader"; }
};

// The stream behind a script's "FileWriter".
class TFileWriter : public TBufferedOutputStream {
 public:
  explicit TFileWriter(const std::string& target) : TBufferedOutputStream(target) {}
  const char* TypeName() const override { return "TFileWriter"; }
};

// Opens path for reading when it is a regular file; -1 otherwise. With
// noFollow a symbolic link in the last component is refused too.
int OpenRegularFileForReading(const std::string& path, bool noFollow = false);
bool IsRegularFilePath(const std::string& path);
// A regular file that is not reached through a symbolic link in its last
// component.
bool IsRegularFileNoFollow(const std::string& path);

}  // namespace ruvel
