// The menu commands that open the options dialog and the flag viewer.
#pragma once

#include <QString>

namespace kobre::app {

class TOptionForm;
class TFlagForm;

// MnOption shows the options dialog modally; MnFlag shows the flag viewer
// beside the game (not modal). False for any other item.
bool openDialogMenu(const QString& item, TOptionForm& options, TFlagForm& flags);

}  // namespace kobre::app
