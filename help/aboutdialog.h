// Help ▸ About Morvane: the version, the licence and the libraries the
// program is built on.
#pragma once

#include <QDialog>
#include <QString>

namespace morvane::help {

// The dialog's text, as rich text.
QString aboutText();

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace morvane::help
