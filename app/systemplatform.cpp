#include "app/systemplatform.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include <memory>

namespace morvane {

namespace {
QWidget* dialogParent() {
    return QApplication::activeWindow();
}
} // namespace

void SystemPlatform::alert(const QString& title, const QString& message) {
    QMessageBox box(dialogParent());
    box.setIcon(QMessageBox::Warning);
    box.setText(title);
    box.setInformativeText(message);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

int SystemPlatform::question(const QString& title, const QString& message,
                             const QStringList& buttons, int defaultButton) {
    QMessageBox box(dialogParent());
    box.setIcon(QMessageBox::Question);
    box.setText(title);
    box.setInformativeText(message);
    QList<QPushButton*> made;
    for (const QString& b : buttons)
        made.append(box.addButton(b, QMessageBox::ActionRole));
    if (defaultButton >= 0 && defaultButton < made.size())
        box.setDefaultButton(made[defaultButton]);
    box.exec();
    const int chosen = int(made.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
    return chosen >= 0 ? chosen : defaultButton;
}

bool SystemPlatform::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void SystemPlatform::revealInFileManager(const QString& path) {
    // The freedesktop.org file-manager interface selects the item in its
    // folder; without it, open the folder that holds the item.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void SystemPlatform::setClipboardText(const QString& text) {
    QApplication::clipboard()->setText(text);
}

bool SystemPlatform::moveToTrash(const QString& path, QString* error) {
    return moveToSystemTrash(path, error);
}

bool SystemPlatform::launch(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

void SystemPlatform::run(const QString& program, const QStringList& arguments,
                         const QByteArray& input, const RunDone& done) {
    // The process belongs to the application object and deletes itself once
    // it has reported.
    auto* process = new QProcess(qApp);
    process->setProgram(program);
    process->setArguments(arguments);
    auto finish = std::make_shared<RunDone>(done);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, finish](QProcess::ProcessError e) {
                         if (e != QProcess::FailedToStart || !*finish)
                             return;
                         const RunDone report = std::exchange(*finish, nullptr);
                         report(false, process->errorString());
                         process->deleteLater();
                     });
    QObject::connect(
        process, &QProcess::finished, process,
        [process, finish](int code, QProcess::ExitStatus status) {
            if (!*finish)
                return;
            const RunDone report = std::exchange(*finish, nullptr);
            const bool ok = status == QProcess::NormalExit && code == 0;
            report(ok, ok ? QString()
                          : QString::fromLocal8Bit(process->readAllStandardError()).trimmed());
            process->deleteLater();
        });
    process->start();
    if (!input.isEmpty())
        process->write(input);
    process->closeWriteChannel();
}

void SystemPlatform::beep() {
    QApplication::beep();
}

QDateTime SystemPlatform::now() const {
    return QDateTime::currentDateTime();
}

} // namespace morvane
