// The encoding of each open text file as the user meets it: the label beside
// the open-files pop-up, View > Reopen with Encoding and Save with Encoding,
// and the question asked once per file when a typed character does not fit
// the file's encoding (convert the file to UTF-8, or keep its encoding and
// leave such characters out).
#pragma once

#include "app/openfile.h"

#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QPointer>

#include <optional>
#include <utility>

namespace morvane {

class MainWindow;
class OpenFilesController;
class TextView;

class EncodingController : public QObject {
    Q_OBJECT
public:
    EncodingController(MainWindow* window, OpenFilesController* openFiles,
                       QObject* parent = nullptr);

    // The label's text for a file: encoding and line ends.
    static QString describe(const OpenFile* file);

    // View > Reopen with Encoding: reads the current file again as `name`.
    bool reopenWithEncoding(const QString& name);
    // View > Save with Encoding: saves the current file in `name` (its
    // charset declaration follows).
    bool saveWithEncoding(const QString& name);

    // The text of `file` holds a character its encoding cannot hold: asks
    // (once per file) and converts the file or removes such characters.
    // Returns true when the text can now be saved.
    bool resolveUnencodable(OpenFile* file);

    // Where a page that declares no charset gets `<meta charset="utf-8">`
    // when converted to UTF-8, and the text to insert there: right after
    // the page's <head> tag. Nothing for a page that declares one, or has
    // no head of its own (a fragment, or a head only inside a comment or a
    // PHP block).
    static std::optional<std::pair<qsizetype, QString>> utf8Declaration(const QString& text);

private:
    void updateLabel();
    void attach(OpenFile* file);
    void checkInserted(TextView* view, int position, int added);
    void convertToUtf8(OpenFile* file);
    void setEncoding(OpenFile* file, const QString& name);
    // Removes the characters of [range.first, range.second) the file's
    // encoding cannot hold.
    bool removeUnencodable(TextView* view, std::pair<int, int> range);
    OpenFile* fileOf(const TextView* view) const;

    // Held apart from the window, which may be part way through its
    // destruction when a last save reports.
    QPointer<QLabel> m_label;
    QPointer<QMenu> m_reopenMenu;
    QPointer<QMenu> m_saveMenu;
    OpenFilesController* m_openFiles;
};

} // namespace morvane
