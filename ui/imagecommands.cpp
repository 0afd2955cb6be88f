#include "ui/imagecommands.h"

#include "resources/commands.h"
#include "ui/app.h"
#include "ui/core/imagecmds.h"
#include "ui/core/qznview.h"
#include "ui/mainframe.h"

namespace qzn {

void RegisterImageDialogCommands(CDesktop& d) {
  static bool registered = false;
  if (!registered) {
    registered = true;
    AddViewCommandRegistrar([](CCommandTable& t, CQznView& v) {
      t.Add(cmd::kVectorAutoVectorize, [&v] { OnVectorAutoVectorize(v); }, [&v] { return CanAutoVectorize(v); });
      t.Add(cmd::kImageThreshold, [&v] { OnImageThreshold(v); }, [&v] { return CanSetThreshold(v); });
      t.Add(cmd::kLineSetSmoothing, [&v] { OnSetSmoothing(v); }, [&v] { return CanSetSmoothing(v); });
      t.Add(cmd::kImageInfo, [&v] { OnImageInfo(v); }, [&v] { return CanShowImageInfo(v); });
    });
  }
  (void)d;
}

}  // namespace qzn
