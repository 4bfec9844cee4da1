#include "devui/about_box.h"

#include "platform/paths.h"
#include "screen/host_state.h"

namespace ruvel {

TAboutBox MakeAboutBox() {
  TAboutBox box;
  static const std::pair<const char*, const char*> kFields[] = {
      {"タイトル", "title"},          {"バージョン", "version"}, {"製作者名", "author"},
      {"メールアドレス", "mail"},     {"Webページアドレス", "web"}, {"配布条件", "cond"},
      {"アプリケーションID", "commentID"},
  };
  for (const auto& [label, param] : kFields) box.fields.emplace_back(label, ProjectParam(param));
  box.web = ProjectParam("web");
  box.versionLine = "Ruvel System ver 1.16";
  std::string banner = PathLocate(ProgramDir() + "/Kernel/banner.bmp");
  if (PathExists(banner)) box.bannerFile = banner;
  return box;
}

}  // namespace ruvel
