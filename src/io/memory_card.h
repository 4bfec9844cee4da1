// Memory cards: the data files of "ResourceReader" and "ResourceWriter".
// A card starts with a fixed 96-byte text header, so that a game can only
// overwrite files made as cards; files whose extension is exactly ".map"
// are accepted without one. After the header come the bytes and
// little-endian 32-bit integers the game wrote, without framing.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "io/buffered_stream.h"

namespace ruvel {

// The header every card is written with.
inline constexpr std::string_view kMemoryCardHeader =
    "RUVEL_ACCESSIBLE_FILE_0001____\r\n"
    "READABLE_WRITEABLE____________\r\n"
    "MEMORYCARD_0001_______________\r\n";
inline constexpr size_t kMemoryCardHeaderSize = 96;
static_assert(kMemoryCardHeader.size() == kMemoryCardHeaderSize);

// The 96 header bytes read from a file (a 97th byte ends them) and whether
// they mark a card.
class TfHeader : public TObject {
 public:
  const char* TypeName() const override { return "TfHeader"; }

  // Reads up to 96 bytes from fd (missing bytes stay 0) and checks them.
  void ReadFrom(int fd);
  // Valid when the text begins with "RUVEL_ACCESSIBLE_FILE"; an invalid
  // header is noted on the log.
  bool Check();

  char bytes[kMemoryCardHeaderSize + 1] = {};
  bool valid = false;
};

// True when the file name's extension is exactly ".map".
bool HasMapExtension(std::string_view path);

// The file a card name given by a script names: backslashes are
// separators and the name is relative to the current page folder. Cards
// stay inside that folder's tree: an absolute name outside it, a drive, a
// ".." component, or a symbolic link that leads out give the empty text,
// and the card is refused as a missing one is.
std::string MemoryCardPath(const std::string& name);

// Opens the card name for reading. A valid card reads on after its header,
// a ".map" file without one from its first byte; any other file is refused
// with a log line (nullptr). A file that cannot be opened raises the
// run-time error "ファイル <name> は開けません".
std::unique_ptr<TBufferedInputStream> OpenMemoryCardReader(const std::string& name);
// Opens the card name for writing it anew: it must exist and be a card or a
// ".map" file (else nullptr and a log line); the new file gets the header.
// A missing file, or one that cannot be replaced, raises the error above.
std::unique_ptr<TBufferedOutputStream> OpenMemoryCardWriter(const std::string& name);

}  // namespace ruvel
