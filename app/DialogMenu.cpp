#include "app/DialogMenu.h"

#include "app/TFlagForm.h"
#include "app/TOptionForm.h"

namespace kobre::app {

bool openDialogMenu(const QString& item, TOptionForm& options, TFlagForm& flags) {
  if (item == "MnOption") {
    options.exec();
    return true;
  }
  if (item == "MnFlag") {
    flags.show();
    flags.raise();
    flags.activateWindow();
    return true;
  }
  return false;
}

}  // namespace kobre::app
