// Reading files that users and games supply. Only a regular file is read:
// a FIFO, a device or a folder is refused without blocking on it, and the
// size limit is checked on the bytes actually read, so a file that grows
// or lies about its size cannot exceed it.
#pragma once
#include <cstddef>
#include <string>

namespace ruvel {

enum class TReadStatus { kOk, kMissing, kNotRegular, kTooLarge, kFailed };

// Limits shared by several readers: class sources, pages and resource
// lists (text the user edits), and small settings files (cookies).
constexpr size_t kMaxSourceFileBytes = size_t(16) << 20;
constexpr size_t kMaxSettingsFileBytes = size_t(1) << 20;

// Reads the whole file at path into bytes when it is a regular file of at
// most limit bytes; bytes is left empty otherwise.
TReadStatus ReadRegularFile(const std::string& path, size_t limit, std::string& bytes);

// The message (CP932) for a read that did not succeed, naming the file.
std::string ReadFailureText(TReadStatus status, const std::string& path, size_t limit);

// Reads as above and throws EIOError with ReadFailureText when it fails.
std::string ReadRegularFileOrThrow(const std::string& path, size_t limit);

// Opens path for reading when it is a regular file (checked on the opened
// descriptor; with noFollow a link is refused too); -1 otherwise. The open
// never waits on a FIFO. The descriptor is the caller's to close.
int OpenRegularFile(const std::string& path, bool noFollow = false);

// True when path names a regular file (following links), without opening
// it; readers that only test for presence use it to skip FIFOs and devices.
bool IsRegularFile(const std::string& path);

}  // namespace ruvel
