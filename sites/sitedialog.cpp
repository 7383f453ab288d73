#include "sites/sitedialog.h"

#include "core/exclusions.h"
#include "core/paths.h"
#include "core/platform.h"
#include "sites/labelledpopup.h"
#include "sites/passwordstore.h"
#include "transfer/siteprotocol.h"
#include "transfer/transferjob.h"
#include "transfer/transferwindow.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace morvane {

namespace {
// Set once the user was told that no keyring could take a password.
const QString kKeyringNoteShown = QStringLiteral("keyringNoteShown");

const QString kLocalPathKey = QStringLiteral("LocalPath");

bool chooseFolderWithDialog(QWidget* parent, const QString& startDir, QString* chosen,
                            QString* shownDir) {
    QFileDialog dialog(
        parent, QCoreApplication::translate("morvane::SiteDialog", "Choose the Local Folder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!startDir.isEmpty())
        dialog.setDirectory(startDir);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *shownDir = dialog.directory().absolutePath();
    const QStringList selected = dialog.selectedFiles();
    *chosen = selected.isEmpty() ? QString() : selected.first();
    return true;
}

// A folder is kept as typed: "/var/www/site" is taken from the server's
// root, "www" from the login folder. An empty field is stored as "/", which
// means the login folder itself (as it always has).
QString serverFolderToStore(const QString& typed) {
    return typed.isEmpty() ? QStringLiteral("/") : typed;
}

} // namespace

QString SiteDialog::localFolderToStore(const QString& typed, QString* problem) {
    problem->clear();
    QString path = typed.trimmed();
    if (path.isEmpty())
        return path;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    // A relative folder would be taken from wherever the program was started
    // (the command-line upload runs anywhere): never store one.
    if (!QDir::isAbsolutePath(path)) {
        *problem = tr("The local folder must be a full path, such as \"%1\".")
                       .arg(QDir::homePath() + QStringLiteral("/mysite"));
        return QString();
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        *problem = tr("The local folder \"%1\" doesn't exist.").arg(path);
        return QString();
    }
    if (!info.isDir()) {
        *problem = QStringLiteral("\"%1\" is not a folder.").arg(path);
        return QString();
    }
    return QDir::cleanPath(path);
}

SiteDialog::SiteDialog(QWidget* parent)
    : QDialog(parent), m_test([](Site& site, QWidget* window) {
          return transferwindow::testConnection(site, window, &passwordstore::request);
      }),
      m_chooser(&chooseFolderWithDialog) {
    setObjectName(QStringLiteral("SiteProp"));
    setWindowTitle(tr("Site Properties"));

    auto makeField = [this](const char* name) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QLatin1String(name));
        return field;
    };
    fieldSiteName = makeField("fieldSiteName");
    fieldServer = makeField("fieldServer");
    fieldServerFolder = makeField("fieldServerFolder");
    fieldUserName = makeField("fieldUserName");
    fieldPassword = makeField("fieldPassword");
    fieldPassword->setEchoMode(QLineEdit::Password);
    fieldLocalPath = makeField("fieldLocalPath");
    fieldLocalURL = makeField("fieldLocalURL");
    fieldServer->setPlaceholderText(QStringLiteral("ftp.example.com"));
    fieldServerFolder->setPlaceholderText(QStringLiteral("/"));
    fieldServerFolder->setToolTip(
        tr("The folder on the server that holds the site. A folder that starts with \"/\" is "
           "taken from the server's root, for example /var/www/site; any other is inside the "
           "folder you log in to, for example public_html. Empty or \"/\": the login folder "
           "itself."));
    fieldLocalURL->setPlaceholderText(QStringLiteral("http://localhost/"));

    auto* chooseButton = new QPushButton(tr("Ch&oose..."), this);
    chooseButton->setAccessibleName(tr("Choose the local folder"));
    chooseButton->setObjectName(QStringLiteral("buttonChooseLocalPath"));
    chooseButton->setAutoDefault(false);
    connect(chooseButton, &QPushButton::clicked, this, &SiteDialog::actionChooseLocalPath);
    auto* localRow = new QHBoxLayout;
    localRow->addWidget(fieldLocalPath, 1);
    localRow->addWidget(chooseButton);

    comboProtocol = new QComboBox(this);
    comboProtocol->setObjectName(QStringLiteral("comboProtocol"));
    nameByLabel(comboProtocol);
    comboProtocol->setAccessibleName(tr("Protocol"));
    for (SiteProtocol p : siteprotocol::offered())
        comboProtocol->addItem(siteprotocol::title(p), siteprotocol::key(p));
    comboProtocol->setToolTip(
        tr("FTPS and SFTP encrypt the password and the files; plain FTP sends both in clear. "
           "The server field takes host or host:port; the port defaults to the protocol's."));

    // Each label reaches its field with Alt and its underlined letter, and
    // names the field for a screen reader.
    auto* form = new QFormLayout;
    form->addRow(tr("Site &Name:"), fieldSiteName);
    form->addRow(tr("&Protocol:"), comboProtocol);
    form->addRow(tr("&Server:"), fieldServer);
    form->addRow(tr("Server &Folder:"), fieldServerFolder);
    form->addRow(tr("&User Name:"), fieldUserName);
    form->addRow(tr("Pass&word:"), fieldPassword);
    auto* localLabel = new QLabel(tr("&Local Folder:"), this);
    localLabel->setBuddy(fieldLocalPath);
    form->addRow(localLabel, localRow);
    form->addRow(tr("Local U&RL:"), fieldLocalURL);

    checkTemporaryName =
        new QCheckBox(tr("Upload under a &temporary name, then rename it into place"), this);
    checkTemporaryName->setObjectName(QStringLiteral("checkTemporaryName"));
    checkTemporaryName->setAccessibleName(tr("Upload under a temporary name"));
    checkTemporaryName->setToolTip(
        tr("A failed or interrupted upload then never leaves a broken page on the server. "
           "Turn it off only for a server that does not allow renaming files."));
    checkSizes = new QCheckBox(tr("Check the si&ze of each file on the server after upload"), this);
    checkSizes->setObjectName(QStringLiteral("checkSizes"));
    checkSizes->setAccessibleName(tr("Check sizes after upload"));
    form->addRow(QString(), checkTemporaryName);
    form->addRow(QString(), checkSizes);
    fieldExclude = new QPlainTextEdit(this);
    fieldExclude->setObjectName(QStringLiteral("fieldExclude"));
    fieldExclude->setAccessibleName(tr("Exclude"));
    fieldExclude->setPlaceholderText(tr("One pattern a line, such as *.log or cache/"));
    fieldExclude->setToolTip(
        tr("Names that are never uploaded, downloaded, compared or deleted, besides .git/, "
           "node_modules/, .DS_Store, editor backups and the like."));
    fieldExclude->setTabChangesFocus(true);
    fieldExclude->setFixedHeight(fieldExclude->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(tr("E&xclude:"), fieldExclude);

    // The buttons stand in the desktop's order; Tab follows it.
    auto* box = new QDialogButtonBox(this);
    auto makeButton = [this, box](const QString& title, const char* name,
                                  QDialogButtonBox::ButtonRole role, void (SiteDialog::*slot)()) {
        auto* button = box->addButton(title, role);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    m_buttonHelp =
        makeButton(tr("&Help"), "buttonHelp", QDialogButtonBox::HelpRole, &SiteDialog::actionHelp);
    m_buttonHelp->hide();
    buttonDelete = makeButton(tr("&Delete"), "buttonDelete", QDialogButtonBox::DestructiveRole,
                              &SiteDialog::actionDelete);
    buttonDelete->hide(); // until an existing site is shown
    buttonSkipTest = makeButton(tr("Sa&ve Without Test"), "buttonSkipTest",
                                QDialogButtonBox::ActionRole, &SiteDialog::actionSkipTest);
    buttonSkipTest->hide();
    makeButton(tr("Cancel"), "buttonCancel", QDialogButtonBox::RejectRole,
               &SiteDialog::actionCancel);
    QPushButton* okButton =
        makeButton(tr("OK"), "buttonOK", QDialogButtonBox::AcceptRole, &SiteDialog::actionOK);
    okButton->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    setMinimumWidth(480);

    // Tab walks the rows from top to bottom, whatever order the controls
    // were made in; then the buttons, in the order the box shows them.
    QWidget* const order[] = {fieldSiteName, comboProtocol,      fieldServer,    fieldServerFolder,
                              fieldUserName, fieldPassword,      fieldLocalPath, chooseButton,
                              fieldLocalURL, checkTemporaryName, checkSizes,     fieldExclude};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

SiteDialog::~SiteDialog() = default;

void SiteDialog::setSites(SiteList* sites) {
    m_sites = sites;
}

void SiteDialog::setSiteName(const QString& name) {
    m_siteName = name;
    m_deleted = false;
    m_editedName.clear();
    const Site* site = (m_sites && !name.isEmpty()) ? sitestore::find(*m_sites, name) : nullptr;
    if (site)
        m_editedName = name;
    m_lastOK = site ? *site : Site();
    showSite(m_lastOK);
    buttonSkipTest->hide();
    // A site that does not exist yet has nothing to delete.
    buttonDelete->setVisible(site != nullptr);
}

void SiteDialog::setSettings(QSettings* settings) {
    m_settings = settings;
}

void SiteDialog::setHelpHandler(std::function<void()> help) {
    m_help = std::move(help);
    m_buttonHelp->setVisible(bool(m_help));
}

// A password kept in the keyring is shown (masked) as if it were here, once
// the keyring answers: the dialog is never held up by it. Until then the
// field says it waits; what the user types meanwhile is kept.
void SiteDialog::showPasswordFromKeyring(const Site& site) {
    m_passwordShownFromKeyring = false;
    fieldPassword->setPlaceholderText(QString());
    m_passwordRequest = passwordstore::request(site);
    if (!m_passwordRequest)
        return;
    fieldPassword->setPlaceholderText(tr("Waiting for the keyring…"));
    connect(m_passwordRequest.get(), &PasswordRequest::answered, this,
            [this](const QString& password) {
                fieldPassword->setPlaceholderText(QString());
                if (fieldPassword->isModified() || !fieldPassword->text().isEmpty())
                    return;
                fieldPassword->setText(password);
                m_passwordShownFromKeyring = !password.isEmpty();
            });
    connect(m_passwordRequest.get(), &PasswordRequest::failed, this,
            [this] { fieldPassword->setPlaceholderText(QString()); });
    m_passwordRequest->start();
}

void SiteDialog::showSite(const Site& site) {
    fieldSiteName->setText(site.name());
    fieldServer->setText(site.server());
    fieldServerFolder->setText(site.serverFolder());
    fieldUserName->setText(site.userName());
    fieldPassword->setText(site.password());
    fieldPassword->setModified(false);
    showPasswordFromKeyring(site);
    fieldLocalPath->setText(site.localPath());
    fieldLocalURL->setText(site.localURL());
    checkTemporaryName->setChecked(site.value(ftpsitekey::directUpload) != QLatin1String("1"));
    checkSizes->setChecked(site.value(ftpsitekey::sizeCheck) == QLatin1String("1"));
    fieldExclude->setPlainText(site.value(sitekey::exclude));
    // A stored value this version does not know is shown and kept as it
    // is, not quietly turned into plain FTP.
    const QString stored = site.value(ftpsitekey::protocol).trimmed();
    const auto known = siteprotocol::of(site);
    for (int i = comboProtocol->count() - 1; i >= int(siteprotocol::offered().size()); --i)
        comboProtocol->removeItem(i);
    int index = known ? comboProtocol->findData(siteprotocol::key(*known)) : -1;
    if (index < 0) {
        comboProtocol->addItem(tr("Other: %1").arg(stored), stored);
        index = comboProtocol->count() - 1;
    }
    comboProtocol->setCurrentIndex(index);
}

QSettings& SiteDialog::settings() {
    if (m_settings)
        return *m_settings;
    if (!m_ownSettings)
        m_ownSettings = paths::openSettings();
    return *m_ownSettings;
}

void SiteDialog::actionOK() {
    Platform& platform = Platform::instance();
    const QString name = fieldSiteName->text();
    if (name.isEmpty()) {
        platform.alert(tr("Site name can't be empty."), QString());
        return;
    }
    // A second site of the same name could never be chosen or edited: every
    // lookup finds the first one.
    if (name != m_editedName && m_sites && sitestore::find(*m_sites, name)) {
        platform.alert(tr("A site named \"%1\" already exists.").arg(name),
                       tr("Choose another name."));
        return;
    }

    QString folderProblem;
    const QString localFolder = localFolderToStore(fieldLocalPath->text(), &folderProblem);
    if (!folderProblem.isEmpty()) {
        platform.alert(folderProblem,
                       tr("Type the folder's full path, or choose it with the button."));
        fieldLocalPath->setFocus();
        return;
    }
    fieldLocalPath->setText(localFolder);

    // The edited copy keeps keys the dialog does not show.
    Site site = m_lastOK;
    site.setValue(sitekey::sitename, name);
    site.setValue(sitekey::server, fieldServer->text());
    site.setValue(sitekey::serverfolder, serverFolderToStore(fieldServerFolder->text()));
    site.setValue(sitekey::username, fieldUserName->text());
    site.setValue(sitekey::password, fieldPassword->text());
    // A password the keyring gave and the user cleared is gone; an empty
    // field for one the keyring could not give leaves it where it is.
    if (fieldPassword->text().isEmpty() && m_passwordShownFromKeyring)
        site.remove(ftpsitekey::passwordInKeyring);
    site.setValue(sitekey::localpath, localFolder);
    site.setValue(sitekey::localURL, fieldLocalURL->text());
    // Stored only when they differ from the default, so that a site saved
    // before these settings existed reads the same.
    auto setFlag = [&site](const QString& key, bool on) {
        if (on || !site.value(key).isEmpty())
            site.setValue(key, on ? QStringLiteral("1") : QString());
    };
    setFlag(ftpsitekey::directUpload, !checkTemporaryName->isChecked());
    setFlag(ftpsitekey::sizeCheck, checkSizes->isChecked());
    const QString exclude = Exclusions::parse(fieldExclude->toPlainText()).join(QLatin1Char('\n'));
    if (!exclude.isEmpty() || !site.value(sitekey::exclude).isEmpty())
        site.setValue(sitekey::exclude, exclude);
    const QString protocol = comboProtocol->currentData().toString();
    const QString previousProtocol = m_lastOK.value(ftpsitekey::protocol);
    // A site without the key is plain FTP: it stays without it until
    // another protocol is chosen.
    if (protocol != siteprotocol::key(SiteProtocol::Ftp) || !previousProtocol.isEmpty())
        site.setValue(ftpsitekey::protocol, protocol);
    // A trusted certificate belongs to one server reached one way.
    if (site.server() != m_lastOK.server() ||
        site.value(ftpsitekey::protocol) != previousProtocol) {
        site.remove(ftpsitekey::tlsPin);
        site.remove(ftpsitekey::tlsFingerprint);
    }
    m_lastOK = site;
    m_siteName = name;

    const bool tested = m_test(site, this);
    m_lastOK = site; // with what the test added (a trusted certificate)
    if (tested) {
        saveSiteAndStopModal(site);
        return;
    }
    // The transfer window (or the network alert) has shown why.
    buttonSkipTest->show();
}

void SiteDialog::actionSkipTest() {
    if (m_lastOK.name().isEmpty())
        return; // no OK yet: nothing validated to save
    saveSiteAndStopModal(m_lastOK);
}

void SiteDialog::actionCancel() {
    done(0);
}

void SiteDialog::saveSiteAndStopModal(const Site& edited) {
    if (m_sites) {
        Site* existing = m_editedName.isEmpty() ? nullptr : sitestore::find(*m_sites, m_editedName);
        // The password goes to the keyring; without one it stays in the
        // settings file, and the user is told so once.
        Site site = edited;
        QString why;
        if (!passwordstore::keep(site, existing, &why) && !site.password().isEmpty() &&
            !settings().value(kKeyringNoteShown).toBool()) {
            settings().setValue(kKeyringNoteShown, true);
            Platform::instance().alert(
                tr("The password is kept in the settings file."),
                tr("%1 The password stays in the settings file, which only you can read. Once "
                   "a keyring is available, passwords move there at the next start.")
                    .arg(why));
        }
        if (existing)
            *existing = site;
        else
            m_sites->append(site);
        sitestore::sortByName(*m_sites);
        m_editedName = site.name();
        QString error;
        if (!storeList(&error))
            Platform::instance().alert(tr("Can't save the list of sites."), error);
    }
    done(1);
}

bool SiteDialog::storeList(QString* error) {
    QSettings& store = settings();
    sitestore::save(store, *m_sites);
    if (store.status() == QSettings::NoError)
        return true;
    *error = store.fileName();
    return false;
}

void SiteDialog::actionDelete() {
    Platform& platform = Platform::instance();
    const QString name = fieldSiteName->text();
    if (name.isEmpty()) {
        platform.alert(tr("Site name is blank."), QString());
        return;
    }
    const QStringList buttons{tr("Delete"), tr("Cancel")};
    const int answer =
        platform.question(tr("Delete site \"%1\"?").arg(name),
                          tr("Can't be undone. Has no effect on server."), buttons, 1);
    if (answer != 0)
        return;
    const Site* site = m_sites ? sitestore::find(*m_sites, name) : nullptr;
    if (!site) {
        platform.alert(tr("Site \"%1\" doesn't exist.").arg(name), QString());
        return;
    }
    const Site victim = *site; // removeAll needs a value that outlives the removal
    m_sites->removeAll(victim);
    m_deleted = true;
    QString error;
    if (!storeList(&error))
        platform.alert(tr("Can't save the list of sites."), error);
    // Its keyring entry goes too, unless another site logs in the same way.
    if (victim.value(ftpsitekey::passwordInKeyring) == QLatin1String("1")) {
        const QString account = passwordstore::account(victim);
        const bool shared = std::any_of(m_sites->cbegin(), m_sites->cend(), [&](const Site& s) {
            return passwordstore::account(s) == account;
        });
        if (!shared)
            passwordstore::remove(account);
    }
    done(1);
}

void SiteDialog::actionHelp() {
    if (m_help)
        m_help();
}

void SiteDialog::actionChooseLocalPath() {
    QSettings& store = settings();
    const QVariant start = store.value(kLocalPathKey);
    const QString startDir = start.typeId() == QMetaType::QString ? start.toString() : QString();
    QString chosen;
    QString shownDir;
    if (!m_chooser(this, startDir, &chosen, &shownDir))
        return;
    store.setValue(kLocalPathKey, shownDir);
    store.sync();
    if (!chosen.isEmpty())
        fieldLocalPath->setText(chosen);
}

} // namespace morvane
