// Building resource nodes from markup: the tag dispatch over TSGML
// elements, resource-list files, and markup text built at run time.
#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "resources/resource.h"
#include "resources/sgml.h"

namespace ruvel {

// Reads the resource-list file (path resolved against the base directory,
// letter case of the components ignored), records it in the url list and
// builds its node with the file's directory as base; the node's source
// path is the file. A missing file shows path + "が見つかりません" and
// raises EIOError. None when the file holds no element, or when it is
// already being read further up the chain (a message box says so).
std::unique_ptr<TResource> LoadResourceFile(std::string_view path);

// Builds a node from markup built at run time (the run-time reader),
// resolving src against the base directory or the given one. Raises
// ESGMLError when the text holds no tag.
std::unique_ptr<TResource> NodeFromMarkup(std::string_view text);
std::unique_ptr<TResource> NodeFromMarkup(std::string_view text, const std::string& base);
// The same from text in the file format (the file reader, decoding once);
// none when the text holds no element.
std::unique_ptr<TResource> NodeFromFileMarkup(std::string_view text, const std::string& base);

// The tag dispatch: one node per element, lists with their children in
// element order. An unknown tag shows T + "は不正なタグ名です" and gives
// none; so does a tag T without a class "classes.customres." + T.
std::unique_ptr<TResource> BuildNode(const TSGML& element, const std::string& base);

}  // namespace ruvel
