// A pop-up that a screen reader names by what it chooses ("Site",
// "Protocol"), not by the entry it shows. Qt names a pop-up on Linux by its
// current entry, whatever its accessible name or label says, so a user
// hears "One, combo box" and never learns that it chooses the site.
#pragma once

class QComboBox;

namespace morvane {

// Gives `popup` (one that is not editable) an accessibility interface whose
// name is its accessible name, else the text of its label (the label whose
// buddy it is), and whose value is the entry it shows (the entry's
// Qt::AccessibleTextRole when it has one). Call it when the pop-up is made.
void nameByLabel(QComboBox* popup);

} // namespace morvane
