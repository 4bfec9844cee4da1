// The about box "アプリケーション情報": its labels filled from the project
// parameters, the system's version line and the banner image's file.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace ruvel {

struct TAboutBox {
  // Label (UTF-8) and value (CP932), in the order the box shows them:
  // タイトル, バージョン, 製作者名, メールアドレス, Webページアドレス,
  // 配布条件, アプリケーションID.
  std::vector<std::pair<std::string, std::string>> fields;
  std::string versionLine;  // "Ruvel System ver 1.16"
  std::string bannerFile;   // "Kernel/banner.bmp" when it exists, else ""
  std::string web;          // the web label's text, opened when clicked
};

// Fills the box from the project parameters as it is activated.
TAboutBox MakeAboutBox();

}  // namespace ruvel
