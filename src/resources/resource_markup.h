// Markup lines of the resource tree and the text files they live in: one
// element per line with escaped attribute values, source paths written
// relative to the base directory, files read as CP932 text with CR LF line
// ends and written through a temporary file renamed over the old one.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruvel {

using TMarkupAttrs = std::vector<std::pair<std::string_view, std::string_view>>;

// indent + "<" + tag + for each attribute ` name="value"` (values escaped,
// empty values kept) + end (">" or "/>").
std::string MarkupLine(std::string_view indent, std::string_view tag, const TMarkupAttrs& attrs,
                       std::string_view end);

// A source path as written into markup: relative to the base directory.
std::string RelativeSource(std::string_view path);
// The path as it exists on disk (letter case of each component ignored);
// for a file that does not exist yet, its name in the located directory.
std::string LocatePath(std::string_view path);
// A "src" attribute read from a file in directory base: made absolute and
// looked up on disk without regard to letter case. A relative src with an
// empty base stays relative.
std::string ResolveSource(std::string_view src, std::string_view base);

// Reads a text file as CP932 (a UTF-8 file is converted), every line
// followed by CR LF. A missing file shows the message box path +
// "が見つかりません" and raises EIOError with the same text.
std::string ReadMarkupText(const std::string& path);

// Writes the lines, each followed by CR LF, to a temporary file in the
// same directory and renames it over path, so that a failure never leaves
// half a file. Shows a message box and returns false when it cannot.
bool WriteLinesAtomic(const std::string& path, const std::vector<std::string>& lines);

// Creates the file with these lines unless it exists (letter case ignored).
bool CreateFileIfMissing(const std::string& path, const std::vector<std::string>& lines);

}  // namespace ruvel
