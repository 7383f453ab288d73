<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandLine</name>
    <message>
        <source>usage: morvane colour --runs FILE
</source>
        <translation>Aufruf: morvane colour --runs DATEI
</translation>
    </message>
    <message>
        <source>%1, not a regular file
</source>
        <translation>%1, keine gewöhnliche Datei
</translation>
    </message>
    <message>
        <source>%1 MB is more than the %2 MB limit
</source>
        <translation>%1 MB sind mehr als die erlaubten %2 MB
</translation>
    </message>
    <message>
        <source>not a text file
</source>
        <translation>keine Textdatei
</translation>
    </message>
    <message>
        <source>cannot write the output
</source>
        <translation>die Ausgabe kann nicht geschrieben werden
</translation>
    </message>
    <message>
        <source>morvane: unknown command &quot;%1&quot;
</source>
        <translation>morvane: unbekannter Befehl „%1“
</translation>
    </message>
    <message>
        <source>unknown option &quot;%1&quot;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>more than one site given</source>
        <translation>mehr als eine Website angegeben</translation>
    </message>
    <message>
        <source>Before you can upload you need to choose (and maybe set up) a site.
Name the site: morvane upload SITE
</source>
        <translation>Bevor Sie hochladen können, müssen Sie eine Website wählen (und eventuell einrichten).
Nennen Sie die Website: morvane upload WEBSITE
</translation>
    </message>
    <message>
        <source>The site &quot;%1&quot; has no FTP server to upload to.
Enter the server in the site&apos;s properties (Sites &gt; Edit... in the window).
</source>
        <translation>Die Website „%1“ hat keinen FTP-Server, auf den hochgeladen werden kann.
Tragen Sie den Server in den Eigenschaften der Website ein (Websites &gt; Bearbeiten... im Fenster).
</translation>
    </message>
    <message>
        <source>Nothing to upload.
</source>
        <translation>Nichts hochzuladen.
</translation>
    </message>
    <message>
        <source>These files will be uploaded:</source>
        <translation>Diese Dateien werden hochgeladen:</translation>
    </message>
    <message>
        <source>Upload? [y/N] </source>
        <translation>Hochladen? [y/N] </translation>
    </message>
    <message>
        <source>Not uploaded: &quot;%1&quot;: %2</source>
        <translation>Nicht hochgeladen: „%1“: %2</translation>
    </message>
    <message>
        <source>warning: passwords stay in the settings file: %1</source>
        <translation>Warnung: Die Passwörter bleiben in der Einstellungsdatei: %1</translation>
    </message>
    <message>
        <source>Site &quot;%1&quot; doesn&apos;t exist.</source>
        <translation>Die Website „%1“ gibt es nicht.</translation>
    </message>
    <message>
        <source>Can&apos;t get properties for current site: %1</source>
        <translation>Die Eigenschaften der aktuellen Website können nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The record of files needing upload was unreadable; it was moved to &quot;%1&quot; and a new one is started.
</source>
        <translation>Die Liste der hochzuladenden Dateien war nicht lesbar; sie wurde nach „%1“ verschoben, und eine neue wird begonnen.
</translation>
    </message>
    <message>
        <source>Can&apos;t read the record of files needing upload &quot;%1&quot;.
</source>
        <translation>Die Liste der hochzuladenden Dateien „%1“ kann nicht gelesen werden.
</translation>
    </message>
    <message>
        <source>Usage: morvane trust SITE

Shows the certificate (FTPS) or host key (SFTP) the server of SITE
presents and, when you answer y, trusts it: a certificate is pinned
for the site, a host key is added to ~/.ssh/known_hosts.
</source>
        <translation>Aufruf: morvane trust WEBSITE

Zeigt das Zertifikat (FTPS) oder den Hostschlüssel (SFTP), den der Server
von WEBSITE vorlegt, und vertraut ihm, wenn Sie mit y antworten: Ein
Zertifikat wird für die Website festgehalten, ein Hostschlüssel in
~/.ssh/known_hosts eingetragen.
</translation>
    </message>
    <message>
        <source>Can&apos;t read what the server presents: %1</source>
        <translation>Was der Server vorlegt, kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The server&apos;s host key %1 is in your known hosts already.
</source>
        <translation>Der Hostschlüssel %1 des Servers steht bereits in Ihren bekannten Hosts.
</translation>
    </message>
    <message>
        <source>%1
This certificate is trusted for the site already.
</source>
        <translation>%1
Diesem Zertifikat wird für die Website bereits vertraut.
</translation>
    </message>
    <message>
        <source>Trust it? [y/N] </source>
        <translation>Vertrauen? [y/N] </translation>
    </message>
    <message>
        <source>Not trusted; nothing changed.
</source>
        <translation>Nicht vertraut; nichts geändert.
</translation>
    </message>
    <message>
        <source>Can&apos;t record it: %1</source>
        <translation>Kann nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>Can&apos;t save the list of sites.
</source>
        <translation>Die Liste der Websites kann nicht gespeichert werden.
</translation>
    </message>
    <message>
        <source>Trusted.
</source>
        <translation>Vertraut.
</translation>
    </message>
    <message>
        <source>Usage:
  morvane                 open the editor window
  morvane upload [--yes] [--dry-run] [--verbose] [SITE]
                          upload the files of a site that need upload
  morvane upload --delete [--force] [SITE]
                          also delete server files deleted here; --force
                          overwrites files changed on the server
  morvane download [--yes] [--dry-run] [SITE] [PATH...]
                          fetch the server&apos;s files missing or different here
  morvane compare [SITE]  list the files that differ from the server
  morvane trust SITE      review and trust the server of a site
  morvane colour --runs FILE
                          print how a file is coloured
  morvane --version       print the version
  morvane --help          print this help

`morvane upload --help`, `morvane download --help` and
`morvane compare --help` describe their options.
The user guide is in the program: Help &gt; Morvane Help.
</source>
        <translation>Aufruf:
  morvane                 öffnet das Editorfenster
  morvane upload [--yes] [--dry-run] [--verbose] [WEBSITE]
                          lädt die Dateien einer Website hoch, die hochgeladen werden müssen
  morvane upload --delete [--force] [WEBSITE]
                          löscht auch Dateien auf dem Server, die hier gelöscht wurden;
                          --force überschreibt auf dem Server geänderte Dateien
  morvane download [--yes] [--dry-run] [WEBSITE] [PFAD...]
                          lädt die Dateien des Servers herunter, die hier fehlen oder abweichen
  morvane compare [WEBSITE]
                          listet die Dateien auf, die vom Server abweichen
  morvane trust WEBSITE   prüft den Server einer Website und vertraut ihm
  morvane colour --runs DATEI
                          zeigt, wie eine Datei eingefärbt wird
  morvane --version       zeigt die Version
  morvane --help          zeigt diese Hilfe

`morvane upload --help`, `morvane download --help` und
`morvane compare --help` beschreiben ihre Optionen.
Das Benutzerhandbuch ist im Programm: Hilfe &gt; Morvane-Hilfe.
</translation>
    </message>
    <message>
        <source>No site is chosen. Name the site: morvane %1 SITE
</source>
        <translation>Keine Website gewählt. Nennen Sie die Website: morvane %1 WEBSITE
</translation>
    </message>
    <message>
        <source>The site &quot;%1&quot; has no server. Enter it in the site&apos;s properties (Sites &gt; Edit... in the window).
</source>
        <translation>Die Website „%1“ hat keinen Server. Tragen Sie ihn in den Eigenschaften der Website ein (Websites &gt; Bearbeiten... im Fenster).
</translation>
    </message>
    <message>
        <source>Skipped on the server: &quot;%1&quot;: %2</source>
        <translation>Auf dem Server übersprungen: „%1“: %2</translation>
    </message>
    <message>
        <source>morvane compare: %1</source>
        <translation>morvane compare: %1</translation>
    </message>
    <message>
        <source>Skipped here: &quot;%1&quot;: %2</source>
        <translation>Hier übersprungen: „%1“: %2</translation>
    </message>
    <message>
        <source>morvane download: %1</source>
        <translation>morvane download: %1</translation>
    </message>
    <message>
        <source>morvane download: the path &quot;%1&quot; is not a path inside the site
</source>
        <translation>morvane download: Der Pfad „%1“ ist kein Pfad innerhalb der Website
</translation>
    </message>
    <message>
        <source>Can&apos;t read the record of files needing upload &quot;%1&quot;; nothing is downloaded.
</source>
        <translation>Die Liste der Dateien, die hochgeladen werden müssen („%1“), kann nicht gelesen werden; nichts wird heruntergeladen.
</translation>
    </message>
    <message>
        <source>Not downloaded, marked for upload (unsent work here): &quot;%1&quot;
</source>
        <translation>Nicht heruntergeladen, zum Hochladen vorgemerkt (hier nicht gesendete Arbeit): „%1“
</translation>
    </message>
    <message>
        <source>Nothing to download.
</source>
        <translation>Nichts herunterzuladen.
</translation>
    </message>
    <message>
        <source>These files will be downloaded:
</source>
        <translation>Diese Dateien werden heruntergeladen:
</translation>
    </message>
    <message>
        <source>from %1 into %2</source>
        <translation>von %1 nach %2</translation>
    </message>
    <message>
        <source>Download? [y/N] </source>
        <translation>Herunterladen? [y/N] </translation>
    </message>
    <message>
        <source>warning: the server&apos;s state is not remembered: %1</source>
        <translation>Warnung: Der Zustand des Servers wird nicht festgehalten: %1</translation>
    </message>
    <message>
        <source>Not downloaded: &quot;%1&quot;: %2</source>
        <translation>Nicht heruntergeladen: „%1“: %2</translation>
    </message>
    <message>
        <source>Nothing is deleted on the server.
</source>
        <translation>Auf dem Server wird nichts gelöscht.
</translation>
    </message>
    <message>
        <source>Nothing to delete on the server.
</source>
        <translation>Auf dem Server ist nichts zu löschen.
</translation>
    </message>
    <message>
        <source>These files will be deleted on the server:
</source>
        <translation>Diese Dateien werden auf dem Server gelöscht:
</translation>
    </message>
    <message>
        <source>/ (if empty)
</source>
        <translation>/ (wenn leer)
</translation>
    </message>
    <message>
        <source>in the server folder of %1</source>
        <translation>im Serverordner von %1</translation>
    </message>
    <message>
        <source>Delete? [y/N] </source>
        <translation>Löschen? [y/N] </translation>
    </message>
    <message>
        <source>Not deleted: &quot;%1&quot;: %2</source>
        <translation>Nicht gelöscht: „%1“: %2</translation>
    </message>
    <message>
        <source>warning: the server&apos;s state after the upload is not remembered: %1</source>
        <translation>Warnung: Der Zustand des Servers nach dem Hochladen wird nicht festgehalten: %1</translation>
    </message>
    <message>
        <source>Files changed on the server were not overwritten; upload with --force to overwrite them.
</source>
        <translation>Auf dem Server geänderte Dateien wurden nicht überschrieben; laden Sie mit --force hoch, um sie zu überschreiben.
</translation>
    </message>
    <message>
        <source>Nothing is deleted on the server: the upload did not succeed.
</source>
        <translation>Auf dem Server wird nichts gelöscht: Das Hochladen ist nicht gelungen.
</translation>
    </message>
    <message>
        <source>Usage: morvane upload [--yes] [--dry-run] [--delete] [--force] [--verbose] [SITE]

Uploads the changed files of SITE (the current site when omitted),
after converting its changed Markdown files to HTML. Files the server
confirmed lose their mark; every other file keeps it.

  -y, --yes      upload (and delete) without asking for confirmation
  -n, --dry-run  show what would be uploaded (and deleted); change nothing
  -d, --delete   after the upload, delete the server&apos;s files that have
                 no counterpart here (never excluded names), then the
                 server folders left empty; every file is listed first
  -f, --force    overwrite files changed on the server since they
                 were last uploaded or downloaded (by default such a
                 file is not sent, is named, and the status is 1)
  -v, --verbose  show the FTP conversation&apos;s diagnostics
  -h, --help     show this help

When standard error is a terminal, one line there shows the progress.

Exit status: 0 all files uploaded, 1 failure, 2 usage error,
3 nothing to upload, 4 not confirmed (or --dry-run).
</source>
        <translation>Aufruf: morvane upload [--yes] [--dry-run] [--delete] [--force] [--verbose] [WEBSITE]

Lädt die geänderten Dateien von WEBSITE hoch (ohne Angabe die aktuelle
Website), nachdem ihre geänderten Markdown-Dateien in HTML umgewandelt
wurden. Dateien, die der Server bestätigt hat, verlieren ihre Markierung;
alle anderen behalten sie.

  -y, --yes      ohne Rückfrage hochladen (und löschen)
  -n, --dry-run  zeigen, was hochgeladen (und gelöscht) würde; nichts ändern
  -d, --delete   nach dem Hochladen die Dateien des Servers löschen, die
                 hier kein Gegenstück haben (nie ausgeschlossene Namen),
                 dann die leer gewordenen Serverordner; jede Datei wird
                 vorher aufgelistet
  -f, --force    Dateien überschreiben, die seit dem letzten Hoch- oder
                 Herunterladen auf dem Server geändert wurden (sonst wird
                 eine solche Datei nicht gesendet, genannt, und der
                 Rückgabewert ist 1)
  -v, --verbose  die Diagnose des FTP-Gesprächs zeigen
  -h, --help     diese Hilfe zeigen

Ist die Standardfehlerausgabe ein Terminal, zeigt dort eine Zeile den
Fortschritt.

Rückgabewert: 0 alle Dateien hochgeladen, 1 Fehler, 2 falscher Aufruf,
3 nichts hochzuladen, 4 nicht bestätigt (oder --dry-run).
</translation>
    </message>
</context>
<context>
    <name>ConfinedFile</name>
    <message>
        <source>it was replaced by a symbolic link after the upload was planned</source>
        <translation>sie wurde nach der Planung des Hochladens durch einen symbolischen Link ersetzt</translation>
    </message>
    <message>
        <source>it was moved or removed after the upload was planned</source>
        <translation>sie wurde nach der Planung des Hochladens verschoben oder entfernt</translation>
    </message>
    <message>
        <source>the site folder can&apos;t be read (%1)</source>
        <translation>der Website-Ordner kann nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>it no longer exists</source>
        <translation>sie existiert nicht mehr</translation>
    </message>
    <message>
        <source>a symbolic link leads it outside the site folder</source>
        <translation>ein symbolischer Link führt aus dem Website-Ordner hinaus</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>sie ist ein Ordner</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>sie ist keine gewöhnliche Datei</translation>
    </message>
</context>
<context>
    <name>FileKind</name>
    <message>
        <source>a regular file</source>
        <translation>eine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>ein Ordner</translation>
    </message>
    <message>
        <source>a named pipe (FIFO)</source>
        <translation>eine benannte Pipe (FIFO)</translation>
    </message>
    <message>
        <source>a character device</source>
        <translation>ein zeichenorientiertes Gerät</translation>
    </message>
    <message>
        <source>a block device</source>
        <translation>ein blockorientiertes Gerät</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>ein Socket</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine gewöhnliche Datei</translation>
    </message>
</context>
<context>
    <name>FileOperations</name>
    <message>
        <source>Can&apos;t make a new folder.</source>
        <translation>Es kann kein neuer Ordner angelegt werden.</translation>
    </message>
    <message>
        <source>Can&apos;t make a new file.</source>
        <translation>Es kann keine neue Datei angelegt werden.</translation>
    </message>
    <message>
        <source>The names &quot;untitled folder&quot; to &quot;untitled-99 folder&quot; are all taken in &quot;%1&quot;. Rename some of them first.</source>
        <translation>Die Namen „untitled folder“ bis „untitled-99 folder“ sind in „%1“ alle vergeben. Benennen Sie zuerst einige davon um.</translation>
    </message>
    <message>
        <source>The names &quot;untitled.html&quot; to &quot;untitled-99.html&quot; are all taken in &quot;%1&quot;. Rename some of them first.</source>
        <translation>Die Namen „untitled.html“ bis „untitled-99.html“ sind in „%1“ alle vergeben. Benennen Sie zuerst einige davon um.</translation>
    </message>
    <message>
        <source>Error creating folder.</source>
        <translation>Fehler beim Anlegen des Ordners.</translation>
    </message>
    <message>
        <source>Error writing file.</source>
        <translation>Fehler beim Schreiben der Datei.</translation>
    </message>
    <message>
        <source>Can&apos;t rename.</source>
        <translation>Umbenennen nicht möglich.</translation>
    </message>
    <message>
        <source>A name can&apos;t be empty.</source>
        <translation>Ein Name darf nicht leer sein.</translation>
    </message>
    <message>
        <source>A name can&apos;t contain &quot;/&quot;: it separates folders.</source>
        <translation>Ein Name darf kein „/“ enthalten: Es trennt Ordner.</translation>
    </message>
    <message>
        <source>A name can&apos;t contain a NUL character.</source>
        <translation>Ein Name darf kein NUL-Zeichen enthalten.</translation>
    </message>
    <message>
        <source>The item is no longer in the site folder.</source>
        <translation>Das Objekt ist nicht mehr im Website-Ordner.</translation>
    </message>
    <message>
        <source>The site folder&apos;s name is part of the site&apos;s settings. Rename it in the file manager, then choose it again in the site&apos;s properties.</source>
        <translation>Der Name des Website-Ordners gehört zu den Einstellungen der Website. Benennen Sie ihn im Dateimanager um und wählen Sie ihn dann in den Eigenschaften der Website erneut.</translation>
    </message>
    <message>
        <source>Can&apos;t rename – file name already exists.</source>
        <translation>Umbenennen nicht möglich – der Dateiname ist schon vergeben.</translation>
    </message>
    <message>
        <source>Choose a different name.</source>
        <translation>Wählen Sie einen anderen Namen.</translation>
    </message>
    <message>
        <source>Can&apos;t move to trash.</source>
        <translation>Verschieben in den Papierkorb nicht möglich.</translation>
    </message>
</context>
<context>
    <name>FtpAddress</name>
    <message>
        <source>line feed</source>
        <translation>Zeilenvorschub</translation>
    </message>
    <message>
        <source>carriage return</source>
        <translation>Wagenrücklauf</translation>
    </message>
    <message>
        <source>The name contains a backslash (\)</source>
        <translation>Der Name enthält einen umgekehrten Schrägstrich (\)</translation>
    </message>
    <message>
        <source>The name contains the control character %1</source>
        <translation>Der Name enthält das Steuerzeichen %1</translation>
    </message>
    <message>
        <source>The name contains the control character %1 (%2)</source>
        <translation>Der Name enthält das Steuerzeichen %1 (%2)</translation>
    </message>
    <message>
        <source>The name is empty</source>
        <translation>Der Name ist leer</translation>
    </message>
    <message>
        <source>The path contains a &quot;..&quot; segment</source>
        <translation>Der Pfad enthält ein „..“-Glied</translation>
    </message>
    <message>
        <source>The path contains a &quot;.&quot; segment</source>
        <translation>Der Pfad enthält ein „.“-Glied</translation>
    </message>
</context>
<context>
    <name>FtpError</name>
    <message>
        <source>If it keeps happening, send the server&apos;s reply to your host.</source>
        <translation>Wenn es wieder geschieht, senden Sie die Antwort des Servers an Ihren Anbieter.</translation>
    </message>
    <message>
        <source>Upload again; files not sent keep their marks.</source>
        <translation>Laden Sie erneut hoch; nicht gesendete Dateien behalten ihre Markierung.</translation>
    </message>
    <message>
        <source>Check the Server Folder in Site Properties, and that your account may write there.</source>
        <translation>Prüfen Sie den Serverordner in den Website-Eigenschaften und ob Ihr Konto dort schreiben darf.</translation>
    </message>
    <message>
        <source>Check the server name, port and protocol in Site Properties, and that the server is running.</source>
        <translation>Prüfen Sie Servernamen, Port und Protokoll in den Website-Eigenschaften und ob der Server läuft.</translation>
    </message>
    <message>
        <source>The server closed the connection (it may be busy, or allow fewer connections at once)</source>
        <translation>Der Server hat die Verbindung geschlossen (er ist vielleicht ausgelastet oder erlaubt weniger gleichzeitige Verbindungen)</translation>
    </message>
    <message>
        <source>Try again in a while.</source>
        <translation>Versuchen Sie es später noch einmal.</translation>
    </message>
    <message>
        <source>The server could not open the data connection for the transfer</source>
        <translation>Der Server konnte die Datenverbindung für die Übertragung nicht öffnen</translation>
    </message>
    <message>
        <source>Try again; if it keeps failing, a firewall between you and the server may block FTP&apos;s data connections. </source>
        <translation>Versuchen Sie es noch einmal; schlägt es weiter fehl, blockiert vielleicht eine Firewall zwischen Ihnen und dem Server die Datenverbindungen von FTP. </translation>
    </message>
    <message>
        <source>The server broke off the transfer</source>
        <translation>Der Server hat die Übertragung abgebrochen</translation>
    </message>
    <message>
        <source>The server could not use the file or folder just now</source>
        <translation>Der Server konnte die Datei oder den Ordner gerade nicht verwenden</translation>
    </message>
    <message>
        <source>The server could not write the file; its disk or your account&apos;s quota may be full</source>
        <translation>Der Server konnte die Datei nicht schreiben; sein Datenträger oder das Kontingent Ihres Kontos ist vielleicht voll</translation>
    </message>
    <message>
        <source>The server failed while handling the file</source>
        <translation>Beim Server ist während der Bearbeitung der Datei ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>The server did not accept a command it was sent</source>
        <translation>Der Server hat einen gesendeten Befehl nicht angenommen</translation>
    </message>
    <message>
        <source>The server refused the encrypted data connection</source>
        <translation>Der Server hat die verschlüsselte Datenverbindung abgelehnt</translation>
    </message>
    <message>
        <source>Try again. </source>
        <translation>Versuchen Sie es noch einmal. </translation>
    </message>
    <message>
        <source>User Name and/or Password is wrong</source>
        <translation>Benutzername und/oder Passwort ist falsch</translation>
    </message>
    <message>
        <source>Check the user name and password in Site Properties.</source>
        <translation>Prüfen Sie Benutzernamen und Passwort in den Website-Eigenschaften.</translation>
    </message>
    <message>
        <source>The server needs an account name to store files</source>
        <translation>Der Server braucht einen Kontonamen, um Dateien zu speichern</translation>
    </message>
    <message>
        <source>Ask your host which account to use.</source>
        <translation>Fragen Sie Ihren Anbieter, welches Konto Sie verwenden sollen.</translation>
    </message>
    <message>
        <source>File/folder not found or inaccessible</source>
        <translation>Datei/Ordner nicht gefunden oder nicht zugänglich</translation>
    </message>
    <message>
        <source>The server refused to store the file under this name or in this folder</source>
        <translation>Der Server hat abgelehnt, die Datei unter diesem Namen oder in diesem Ordner zu speichern</translation>
    </message>
    <message>
        <source>Check that your account may write in the Server Folder, and that the server accepts this file name.</source>
        <translation>Prüfen Sie, ob Ihr Konto in den Serverordner schreiben darf und ob der Server diesen Dateinamen annimmt.</translation>
    </message>
    <message>
        <source> (FTP reply %1)</source>
        <translation> (FTP-Antwort %1)</translation>
    </message>
    <message>
        <source>The server could not do what was asked just now</source>
        <translation>Der Server konnte die Anfrage gerade nicht ausführen</translation>
    </message>
    <message>
        <source>Try again in a while. </source>
        <translation>Versuchen Sie es später noch einmal. </translation>
    </message>
    <message>
        <source>The server refused what was asked</source>
        <translation>Der Server hat die Anfrage abgelehnt</translation>
    </message>
    <message>
        <source>Can&apos;t connect to the server: it refused the connection</source>
        <translation>Keine Verbindung zum Server: Er hat die Verbindung abgelehnt</translation>
    </message>
    <message>
        <source>Can&apos;t connect to the server: it did not answer</source>
        <translation>Keine Verbindung zum Server: Er hat nicht geantwortet</translation>
    </message>
    <message>
        <source>The server can&apos;t be reached from this computer</source>
        <translation>Der Server ist von diesem Rechner aus nicht erreichbar</translation>
    </message>
    <message>
        <source>Check your network connection and the server name in Site Properties.</source>
        <translation>Prüfen Sie Ihre Netzwerkverbindung und den Servernamen in den Website-Eigenschaften.</translation>
    </message>
    <message>
        <source>The connection to the server was dropped</source>
        <translation>Die Verbindung zum Server ist abgebrochen</translation>
    </message>
    <message>
        <source>A network error ended the transfer</source>
        <translation>Ein Netzwerkfehler hat die Übertragung beendet</translation>
    </message>
    <message>
        <source>The server stopped answering (no reply in time)</source>
        <translation>Der Server antwortet nicht mehr (keine Antwort in der vorgesehenen Zeit)</translation>
    </message>
    <message>
        <source>Try again later; if it keeps happening, the server or a firewall may be holding the connection.</source>
        <translation>Versuchen Sie es später noch einmal; geschieht es wieder, hält vielleicht der Server oder eine Firewall die Verbindung auf.</translation>
    </message>
    <message>
        <source>The connection ended before the server confirmed the transfer</source>
        <translation>Die Verbindung endete, bevor der Server die Übertragung bestätigt hat</translation>
    </message>
    <message>
        <source>Can&apos;t connect to the server</source>
        <translation>Keine Verbindung zum Server</translation>
    </message>
    <message>
        <source>The server denied access to the file or folder (permission denied)</source>
        <translation>Der Server hat den Zugriff auf die Datei oder den Ordner verweigert (keine Berechtigung)</translation>
    </message>
    <message>
        <source>A file of this name on the server could not be replaced</source>
        <translation>Eine Datei dieses Namens auf dem Server konnte nicht ersetzt werden</translation>
    </message>
    <message>
        <source>The server refused to create, rename or delete a file or folder</source>
        <translation>Der Server hat abgelehnt, eine Datei oder einen Ordner anzulegen, umzubenennen oder zu löschen</translation>
    </message>
    <message>
        <source>The server refused the file</source>
        <translation>Der Server hat die Datei abgelehnt</translation>
    </message>
    <message>
        <source>The SFTP server reported a failure</source>
        <translation>Der SFTP-Server hat einen Fehler gemeldet</translation>
    </message>
    <message>
        <source>The SSH session could not start: the server closed the connection before it began (it may allow fewer connections at once, or this may not be an SSH server)</source>
        <translation>Die SSH-Sitzung konnte nicht beginnen: Der Server hat die Verbindung vorher geschlossen (er erlaubt vielleicht weniger gleichzeitige Verbindungen, oder er ist kein SSH-Server)</translation>
    </message>
    <message>
        <source>Try again in a while, and check the port and protocol in Site Properties.</source>
        <translation>Versuchen Sie es später noch einmal, und prüfen Sie Port und Protokoll in den Website-Eigenschaften.</translation>
    </message>
    <message>
        <source>The server&apos;s reply could not be understood</source>
        <translation>Die Antwort des Servers war unverständlich</translation>
    </message>
    <message>
        <source>The data connection for the transfer could not be opened</source>
        <translation>Die Datenverbindung für die Übertragung konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>The transfer failed: %1 (libcurl error %2)</source>
        <translation>Die Übertragung ist fehlgeschlagen: %1 (libcurl-Fehler %2)</translation>
    </message>
    <message>
        <source>(not readable)</source>
        <translation>(nicht lesbar)</translation>
    </message>
    <message>
        <source>WARNING: the server&apos;s host key has changed. This happens when the host reinstalls its server, but it is also what an attacker&apos;s server would look like. Nothing was sent to the server. Known key: %1. Presented now: %2</source>
        <translation>WARNUNG: Der Hostschlüssel des Servers hat sich geändert. Das geschieht, wenn der Anbieter seinen Server neu installiert, aber genauso sähe der Server eines Angreifers aus. Es wurde nichts an den Server gesendet. Bekannter Schlüssel: %1. Jetzt vorgelegt: %2</translation>
    </message>
    <message>
        <source>If your host confirms the new key, remove the old one with ssh-keygen -R &quot;%1&quot; and connect again.</source>
        <translation>Wenn Ihr Anbieter den neuen Schlüssel bestätigt, entfernen Sie den alten mit ssh-keygen -R &quot;%1&quot; und verbinden Sie sich erneut.</translation>
    </message>
    <message>
        <source>The server presented a host key that your known hosts (~/.ssh/known_hosts) mark as revoked; it must never be trusted. Nothing was sent to the server. Revoked key: %1</source>
        <translation>Der Server hat einen Hostschlüssel vorgelegt, den Ihre bekannten Hosts (~/.ssh/known_hosts) als widerrufen kennzeichnen; ihm darf nie vertraut werden. Es wurde nichts an den Server gesendet. Widerrufener Schlüssel: %1</translation>
    </message>
    <message>
        <source>Do not use this server until your host gives you its new key.</source>
        <translation>Verwenden Sie diesen Server nicht, bis Ihr Anbieter Ihnen seinen neuen Schlüssel gibt.</translation>
    </message>
    <message>
        <source>The server&apos;s host key is not in your known hosts (~/.ssh/known_hosts); nothing was sent to the server. Its key: %1</source>
        <translation>Der Hostschlüssel des Servers steht nicht in Ihren bekannten Hosts (~/.ssh/known_hosts); es wurde nichts an den Server gesendet. Sein Schlüssel: %1</translation>
    </message>
    <message>
        <source>Accept the key only if your host confirms this fingerprint.</source>
        <translation>Nehmen Sie den Schlüssel nur an, wenn Ihr Anbieter diesen Fingerabdruck bestätigt.</translation>
    </message>
    <message>
        <source>No file was sent; your user name and password had been sent, over the verified encrypted connection</source>
        <translation>Es wurde keine Datei gesendet; Benutzername und Passwort wurden über die geprüfte verschlüsselte Verbindung gesendet</translation>
    </message>
    <message>
        <source>The server presented a certificate on the data connection that could not be verified. </source>
        <translation>Der Server hat auf der Datenverbindung ein Zertifikat vorgelegt, das nicht geprüft werden konnte. </translation>
    </message>
    <message>
        <source>This may be an attack on the connection or a fault of the server. </source>
        <translation>Das kann ein Angriff auf die Verbindung oder ein Fehler des Servers sein. </translation>
    </message>
    <message>
        <source>The server&apos;s certificate is not trusted by this system; nothing was sent to the server</source>
        <translation>Diesem Zertifikat des Servers vertraut dieses System nicht; es wurde nichts an den Server gesendet</translation>
    </message>
    <message>
        <source>Trust it for this site only if your host confirms its fingerprint.</source>
        <translation>Vertrauen Sie ihm für diese Website nur, wenn Ihr Anbieter seinen Fingerabdruck bestätigt.</translation>
    </message>
    <message>
        <source>WARNING: the server presented another certificate on the data connection than the one you trusted. </source>
        <translation>WARNUNG: Der Server hat auf der Datenverbindung ein anderes Zertifikat vorgelegt als das, dem Sie vertraut haben. </translation>
    </message>
    <message>
        <source>WARNING: the server&apos;s certificate has changed since you trusted it for this site; nothing was sent to the server</source>
        <translation>WARNUNG: Das Zertifikat des Servers hat sich geändert, seit Sie ihm für diese Website vertraut haben; es wurde nichts an den Server gesendet</translation>
    </message>
    <message>
        <source>Trust the new certificate only if your host confirms its fingerprint.</source>
        <translation>Vertrauen Sie dem neuen Zertifikat nur, wenn Ihr Anbieter seinen Fingerabdruck bestätigt.</translation>
    </message>
    <message>
        <source>The server refused to encrypt the data connections (its reply to PROT P was a refusal). </source>
        <translation>Der Server hat abgelehnt, die Datenverbindungen zu verschlüsseln (seine Antwort auf PROT P war eine Ablehnung). </translation>
    </message>
    <message>
        <source>Ask your host to allow encrypted data connections.</source>
        <translation>Bitten Sie Ihren Anbieter, verschlüsselte Datenverbindungen zu erlauben.</translation>
    </message>
    <message>
        <source>The server does not offer FTPS (its reply to AUTH TLS was a refusal); nothing was sent to the server</source>
        <translation>Der Server bietet kein FTPS an (seine Antwort auf AUTH TLS war eine Ablehnung); es wurde nichts an den Server gesendet</translation>
    </message>
    <message>
        <source>Ask your host whether the server offers FTPS or SFTP, and choose that protocol in Site Properties.</source>
        <translation>Fragen Sie Ihren Anbieter, ob der Server FTPS oder SFTP anbietet, und wählen Sie dieses Protokoll in den Website-Eigenschaften.</translation>
    </message>
    <message>
        <source>The system&apos;s certificate store could not be read; nothing was sent to the server</source>
        <translation>Der Zertifikatsspeicher des Systems konnte nicht gelesen werden; es wurde nichts an den Server gesendet</translation>
    </message>
    <message>
        <source>Reinstall the ca-certificates package, or check the file SSL_CERT_FILE names.</source>
        <translation>Installieren Sie das Paket ca-certificates neu, oder prüfen Sie die Datei, die SSL_CERT_FILE nennt.</translation>
    </message>
    <message>
        <source>The secure data connection to the server failed. </source>
        <translation>Die sichere Datenverbindung zum Server ist fehlgeschlagen. </translation>
    </message>
    <message>
        <source>The secure connection to the server failed; nothing was sent to the server</source>
        <translation>Die sichere Verbindung zum Server ist fehlgeschlagen; es wurde nichts an den Server gesendet</translation>
    </message>
    <message>
        <source>The server asks for a password or an SSH key, and there is neither: this site has no password, and no SSH key was found (no SSH agent, no ~/.ssh/id_ed25519, id_ecdsa or id_rsa)</source>
        <translation>Der Server verlangt ein Passwort oder einen SSH-Schlüssel, und es gibt keins von beiden: Diese Website hat kein Passwort, und es wurde kein SSH-Schlüssel gefunden (kein SSH-Agent, kein ~/.ssh/id_ed25519, id_ecdsa oder id_rsa)</translation>
    </message>
    <message>
        <source>Enter the password in Site Properties, or make an SSH key (ssh-keygen) and add it to the server&apos;s authorized keys.</source>
        <translation>Geben Sie das Passwort in den Website-Eigenschaften ein, oder erzeugen Sie einen SSH-Schlüssel (ssh-keygen) und fügen Sie ihn zu den autorisierten Schlüsseln des Servers hinzu.</translation>
    </message>
    <message>
        <source>The server accepted none of your SSH keys (%1), and this site has no password</source>
        <translation>Der Server hat keinen Ihrer SSH-Schlüssel angenommen (%1), und diese Website hat kein Passwort</translation>
    </message>
    <message>
        <source>Enter the password in Site Properties, or add your public key to the server&apos;s authorized keys.</source>
        <translation>Geben Sie das Passwort in den Website-Eigenschaften ein, oder fügen Sie Ihren öffentlichen Schlüssel zu den autorisierten Schlüsseln des Servers hinzu.</translation>
    </message>
    <message>
        <source>Can&apos;t locate Server; name may be wrong</source>
        <translation>Server nicht gefunden; der Name ist vielleicht falsch</translation>
    </message>
    <message>
        <source>Check the server name in Site Properties, and your network connection.</source>
        <translation>Prüfen Sie den Servernamen in den Website-Eigenschaften und Ihre Netzwerkverbindung.</translation>
    </message>
    <message>
        <source>Can&apos;t read the local file</source>
        <translation>Die lokale Datei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Can&apos;t read the local file: %1</source>
        <translation>Die lokale Datei kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Check that the file exists and that you may read it.</source>
        <translation>Prüfen Sie, ob die Datei existiert und ob Sie sie lesen dürfen.</translation>
    </message>
    <message>
        <source>The name can&apos;t be sent to a server</source>
        <translation>Der Name kann nicht an einen Server gesendet werden</translation>
    </message>
    <message>
        <source>; not sent</source>
        <translation>; nicht gesendet</translation>
    </message>
    <message>
        <source>Rename the file, then upload it.</source>
        <translation>Benennen Sie die Datei um und laden Sie sie dann hoch.</translation>
    </message>
    <message>
        <source>The server&apos;s folder listing could not be read</source>
        <translation>Die Ordnerliste des Servers konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>The server&apos;s copy of this file has the wrong size</source>
        <translation>Die Kopie dieser Datei auf dem Server hat die falsche Größe</translation>
    </message>
    <message>
        <source>Can&apos;t initiate FTP</source>
        <translation>FTP kann nicht gestartet werden</translation>
    </message>
    <message>
        <source>Error: %1, error code %2</source>
        <translation>Fehler: %1, Fehlercode %2</translation>
    </message>
    <message>
        <source>Details: &quot;%1&quot;</source>
        <translation>Einzelheiten: „%1“</translation>
    </message>
    <message>
        <source>Server reply: &quot;%1&quot;</source>
        <translation>Antwort des Servers: „%1“</translation>
    </message>
    <message>
        <source>The server has no space left for this file.</source>
        <translation>Der Server hat keinen Platz mehr für diese Datei.</translation>
    </message>
    <message>
        <source>Free some space on the server (or ask your host for more), then upload again.</source>
        <translation>Schaffen Sie Platz auf dem Server (oder bitten Sie Ihren Anbieter um mehr) und laden Sie dann erneut hoch.</translation>
    </message>
    <message>
        <source>This server requires a secure connection (FTPS): choose &quot;FTPS (TLS)&quot; as the protocol in Site Properties.</source>
        <translation>Dieser Server verlangt eine sichere Verbindung (FTPS): Wählen Sie „FTPS (TLS)“ als Protokoll in den Website-Eigenschaften.</translation>
    </message>
    <message>
        <source>%1 bytes on the server, %2 sent</source>
        <translation>%1 Byte auf dem Server, %2 gesendet</translation>
    </message>
    <message>
        <source>The server never confirmed the file</source>
        <translation>Der Server hat die Datei nie bestätigt</translation>
    </message>
    <message>
        <source>The server stopped taking the file while it arrived: its disk, or your account&apos;s quota, may be full.</source>
        <translation>Der Server hat die Annahme der Datei während der Übertragung beendet: Sein Datenträger oder das Kontingent Ihres Kontos ist vielleicht voll.</translation>
    </message>
    <message>
        <source>the file became shorter while it was sent</source>
        <translation>die Datei wurde während des Sendens kürzer</translation>
    </message>
    <message>
        <source>the SSH agent</source>
        <translation>der SSH-Agent</translation>
    </message>
</context>
<context>
    <name>Markdown</name>
    <message>
        <source>Can&apos;t convert &quot;%1&quot; because &quot;%2&quot; is a symbolic link.</source>
        <translation>„%1“ kann nicht umgewandelt werden, weil „%2“ ein symbolischer Link ist.</translation>
    </message>
    <message>
        <source>The HTML file made from a Markdown file is never written through a link. Remove the link or rename the Markdown file.</source>
        <translation>Die aus einer Markdown-Datei erzeugte HTML-Datei wird nie über einen Link geschrieben. Entfernen Sie den Link oder benennen Sie die Markdown-Datei um.</translation>
    </message>
    <message>
        <source>Can&apos;t convert &quot;%1&quot; because file &quot;%2&quot; already exists.</source>
        <translation>„%1“ kann nicht umgewandelt werden, weil die Datei „%2“ bereits existiert.</translation>
    </message>
    <message>
        <source>Remove or rename the HTML file. See Help for Markdown information.</source>
        <translation>Entfernen Sie die HTML-Datei oder benennen Sie sie um. Mehr zu Markdown steht in der Hilfe.</translation>
    </message>
    <message>
        <source>Can&apos;t read &quot;%1&quot;.</source>
        <translation>„%1“ kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Can&apos;t write &quot;%1&quot;.</source>
        <translation>„%1“ kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Can&apos;t convert &quot;%1&quot;.</source>
        <translation>„%1“ kann nicht umgewandelt werden.</translation>
    </message>
</context>
<context>
    <name>PageDialog</name>
    <message>
        <source>Message from a Web Page</source>
        <translation>Nachricht einer Webseite</translation>
    </message>
    <message>
        <source>The page “%1” says:</source>
        <translation>Die Seite „%1“ meldet:</translation>
    </message>
    <message>
        <source>Message of the page</source>
        <translation>Nachricht der Seite</translation>
    </message>
    <message>
        <source>Answer to the page</source>
        <translation>Antwort an die Seite</translation>
    </message>
    <message>
        <source>Don&apos;t let this page open more dialogs</source>
        <translation>Diese Seite keine weiteren Dialoge öffnen lassen</translation>
    </message>
</context>
<context>
    <name>PasswordStore</name>
    <message>
        <source>The desktop keyring holds no password for this site.</source>
        <translation>Der Schlüsselbund der Arbeitsumgebung enthält kein Passwort für diese Website.</translation>
    </message>
    <message>
        <source>The desktop keyring was not unlocked.</source>
        <translation>Der Schlüsselbund der Arbeitsumgebung wurde nicht entsperrt.</translation>
    </message>
    <message>
        <source>The desktop keyring is not available.</source>
        <translation>Der Schlüsselbund der Arbeitsumgebung ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>The keyring did not answer.</source>
        <translation>Der Schlüsselbund hat nicht geantwortet.</translation>
    </message>
    <message>
        <source>The site&apos;s password could not be read from the desktop keyring. %1 Enter the password again in the site&apos;s properties.</source>
        <translation>Das Passwort der Website konnte nicht aus dem Schlüsselbund der Arbeitsumgebung gelesen werden. %1 Geben Sie das Passwort in den Eigenschaften der Website erneut ein.</translation>
    </message>
    <message>
        <source>The keyring did not keep the password.</source>
        <translation>Der Schlüsselbund hat das Passwort nicht behalten.</translation>
    </message>
</context>
<context>
    <name>Platform</name>
    <message>
        <source>%1 cannot be started here.</source>
        <translation>%1 kann hier nicht gestartet werden.</translation>
    </message>
</context>
<context>
    <name>Preview</name>
    <message>
        <source>“%1” is not a regular file (it may be a pipe or a device), so the preview does not read it.</source>
        <translation>„%1“ ist keine gewöhnliche Datei (vielleicht eine Pipe oder ein Gerät), daher liest die Vorschau sie nicht.</translation>
    </message>
    <message>
        <source>“%1” is too large to preview from disk. Set the site&apos;s Local URL to preview it through your local web server.</source>
        <translation>„%1“ ist zu groß für eine Vorschau von der Festplatte. Geben Sie die lokale URL der Website an, um sie über Ihren lokalen Webserver anzuzeigen.</translation>
    </message>
    <message>
        <source>“%1” could not be read: %2</source>
        <translation>„%1“ konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The site has no local address.</source>
        <translation>Die Website hat keine lokale Adresse.</translation>
    </message>
    <message>
        <source>The site&apos;s Local URL “%1” is not a web address the preview can use. Set an address such as http://localhost/ or http://127.0.0.1:8080/mysite/ in the site&apos;s properties, or leave it empty to preview files straight from disk.</source>
        <translation>Die lokale URL „%1“ der Website ist keine Webadresse, die die Vorschau verwenden kann. Geben Sie in den Eigenschaften der Website eine Adresse wie http://localhost/ oder http://127.0.0.1:8080/mysite/ an, oder lassen Sie sie leer, um Dateien direkt von der Festplatte anzuzeigen.</translation>
    </message>
    <message>
        <source>(If your Site Properties has a Local URL specified, make sure your local web server is running.)</source>
        <translation>(Wenn in Ihren Website-Eigenschaften eine lokale URL angegeben ist, achten Sie darauf, dass Ihr lokaler Webserver läuft.)</translation>
    </message>
    <message>
        <source>Error Loading Page</source>
        <translation>Fehler beim Laden der Seite</translation>
    </message>
    <message>
        <source>Error Description:</source>
        <translation>Fehlerbeschreibung:</translation>
    </message>
    <message>
        <source>Error Code:</source>
        <translation>Fehlercode:</translation>
    </message>
    <message>
        <source>“%1” leads outside the site folder (through a link), so the preview does not read it.</source>
        <translation>„%1“ führt (über einen Link) aus dem Website-Ordner hinaus, daher liest die Vorschau es nicht.</translation>
    </message>
    <message>
        <source>The preview is not available: %1</source>
        <translation>Die Vorschau ist nicht verfügbar: %1</translation>
    </message>
    <message>
        <source>the web view module was not found</source>
        <translation>das Modul für die Webansicht wurde nicht gefunden</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>This site has no usable server address.</source>
        <translation>Diese Website hat keine brauchbare Serveradresse.</translation>
    </message>
    <message>
        <source>Enter the server and its folder in the site&apos;s properties.</source>
        <translation>Tragen Sie den Server und seinen Ordner in den Eigenschaften der Website ein.</translation>
    </message>
    <message>
        <source>Can&apos;t open the site&apos;s server folder.</source>
        <translation>Der Serverordner der Website kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The dictionary files of %1 cannot be read.</source>
        <translation>Die Wörterbuchdateien für %1 können nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The dictionary %1 holds no words.</source>
        <translation>Das Wörterbuch %1 enthält keine Wörter.</translation>
    </message>
    <message>
        <source>&lt;li&gt;Qt %1 (LGPL-3.0) &amp;mdash; windows, settings, network&lt;/li&gt;&lt;li&gt;Qt WebEngine (LGPL-3.0) &amp;mdash; preview and help pages, loaded on first use&lt;/li&gt;&lt;li&gt;libcurl (curl licence) &amp;mdash; FTP transfers, loaded on first use&lt;/li&gt;&lt;li&gt;Discount (BSD-3-Clause) &amp;mdash; Markdown to HTML&lt;/li&gt;</source>
        <translation>&lt;li&gt;Qt %1 (LGPL-3.0) &amp;mdash; Fenster, Einstellungen, Netzwerk&lt;/li&gt;&lt;li&gt;Qt WebEngine (LGPL-3.0) &amp;mdash; Vorschau und Hilfeseiten, beim ersten Gebrauch geladen&lt;/li&gt;&lt;li&gt;libcurl (curl-Lizenz) &amp;mdash; FTP-Übertragungen, beim ersten Gebrauch geladen&lt;/li&gt;&lt;li&gt;Discount (BSD-3-Clause) &amp;mdash; Markdown nach HTML&lt;/li&gt;</translation>
    </message>
    <message>
        <source>&lt;h2&gt;Morvane&lt;/h2&gt;&lt;p&gt;Version %1&lt;/p&gt;&lt;p&gt;A desktop editor for small web sites.&lt;/p&gt;&lt;p&gt;Licence: %2&lt;/p&gt;&lt;p&gt;Built on:&lt;/p&gt;&lt;ul&gt;%3&lt;/ul&gt;</source>
        <translation>&lt;h2&gt;Morvane&lt;/h2&gt;&lt;p&gt;Version %1&lt;/p&gt;&lt;p&gt;Ein Desktop-Editor für kleine Websites.&lt;/p&gt;&lt;p&gt;Lizenz: %2&lt;/p&gt;&lt;p&gt;Aufgebaut auf:&lt;/p&gt;&lt;ul&gt;%3&lt;/ul&gt;</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was changed on the server since it was last uploaded or downloaded.</source>
        <translation>„%1“ wurde auf dem Server geändert, seit es zuletzt hochgeladen oder heruntergeladen wurde.</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>Überspringen</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Überschreiben</translation>
    </message>
    <message>
        <source>Take the Server&apos;s</source>
        <translation>Die vom Server nehmen</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be moved to the trash.</source>
        <translation>„%1“ konnte nicht in den Papierkorb verschoben werden.</translation>
    </message>
</context>
<context>
    <name>ServerTrust</name>
    <message>
        <source>The site&apos;s server or protocol is not valid.</source>
        <translation>Server oder Protokoll der Website sind ungültig.</translation>
    </message>
    <message>
        <source>The site uses plain FTP: there is nothing to verify.</source>
        <translation>Die Website verwendet einfaches FTP: Es gibt nichts zu prüfen.</translation>
    </message>
    <message>
        <source>SSH key</source>
        <translation>SSH-Schlüssel</translation>
    </message>
    <message>
        <source>The server&apos;s host key could not be read.</source>
        <translation>Der Hostschlüssel des Servers konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Key type: %1
SHA-256 fingerprint: %2</source>
        <translation>Schlüsseltyp: %1
SHA-256-Fingerabdruck: %2</translation>
    </message>
    <message>
        <source>(not readable)</source>
        <translation>(nicht lesbar)</translation>
    </message>
    <message>
        <source>The host key of the server &quot;%1&quot; is not in your known hosts (~/.ssh/known_hosts). Nothing has been sent to it.

%2

Accept it only if you know it is your host&apos;s key (your host can tell you its fingerprint). It is then added to your known hosts.</source>
        <translation>Der Hostschlüssel des Servers „%1“ steht nicht in Ihren bekannten Hosts (~/.ssh/known_hosts). Es wurde nichts an ihn gesendet.

%2

Nehmen Sie ihn nur an, wenn Sie wissen, dass es der Schlüssel Ihres Anbieters ist (Ihr Anbieter kann Ihnen seinen Fingerabdruck nennen). Er wird dann in Ihre bekannten Hosts eingetragen.</translation>
    </message>
    <message>
        <source>WARNING: the certificate of the server &quot;%1&quot; has changed since you trusted it. This happens when the host renews it, but it is also what an attacker&apos;s server would look like. Nothing has been sent to it.

Trusted before: %2

Presented now:
</source>
        <translation>WARNUNG: Das Zertifikat des Servers „%1“ hat sich geändert, seit Sie ihm vertraut haben. Das geschieht, wenn der Anbieter es erneuert, aber genauso sähe der Server eines Angreifers aus. Es wurde nichts an ihn gesendet.

Bisher vertraut: %2

Jetzt vorgelegt:
</translation>
    </message>
    <message>
        <source>(not recorded)</source>
        <translation>(nicht festgehalten)</translation>
    </message>
    <message>
        <source>The certificate of the server &quot;%1&quot; is not trusted by this system (it may be self-signed). Nothing has been sent to it.

</source>
        <translation>Dem Zertifikat des Servers „%1“ vertraut dieses System nicht (es ist vielleicht selbst signiert). Es wurde nichts an ihn gesendet.

</translation>
    </message>
    <message>
        <source>

Trust it for this site only if you know it is your host&apos;s certificate (your host can tell you its fingerprint).</source>
        <translation>

Vertrauen Sie ihm für diese Website nur, wenn Sie wissen, dass es das Zertifikat Ihres Anbieters ist (Ihr Anbieter kann Ihnen seinen Fingerabdruck nennen).</translation>
    </message>
    <message>
        <source>This key can&apos;t be accepted here.</source>
        <translation>Dieser Schlüssel kann hier nicht angenommen werden.</translation>
    </message>
    <message>
        <source>The server&apos;s host key %1 is marked as revoked in your known hosts; it must never be trusted. Do not use this server until your host gives you its new key.</source>
        <translation>Der Hostschlüssel %1 des Servers ist in Ihren bekannten Hosts als widerrufen gekennzeichnet; ihm darf nie vertraut werden. Verwenden Sie diesen Server nicht, bis Ihr Anbieter Ihnen seinen neuen Schlüssel gibt.</translation>
    </message>
    <message>
        <source>WARNING: the server&apos;s host key has changed. Known key: %1. Presented now: %2. If your host confirms the new key, remove the old one with ssh-keygen -R &quot;%3&quot; and upload again.</source>
        <translation>WARNUNG: Der Hostschlüssel des Servers hat sich geändert. Bekannter Schlüssel: %1. Jetzt vorgelegt: %2. Wenn Ihr Anbieter den neuen Schlüssel bestätigt, entfernen Sie den alten mit ssh-keygen -R &quot;%3&quot; und laden Sie erneut hoch.</translation>
    </message>
    <message>
        <source>host key</source>
        <translation>Hostschlüssel</translation>
    </message>
    <message>
        <source>certificate</source>
        <translation>Zertifikat</translation>
    </message>
    <message>
        <source>changed; it now has</source>
        <translation>hat sich geändert und hat jetzt</translation>
    </message>
    <message>
        <source>is not trusted; it has</source>
        <translation>ist nicht vertrauenswürdig und hat</translation>
    </message>
    <message>
        <source>the SHA-256 fingerprint %1</source>
        <translation>den SHA-256-Fingerabdruck %1</translation>
    </message>
    <message>
        <source>a fingerprint that could not be read (%1)</source>
        <translation>einen Fingerabdruck, der nicht gelesen werden konnte (%1)</translation>
    </message>
    <message>
        <source>The server&apos;s %1 %2 %3. To review and trust it: morvane trust &quot;%4&quot;</source>
        <translation>%1 des Servers %2 %3. Prüfen und vertrauen mit: morvane trust &quot;%4&quot;</translation>
    </message>
    <message>
        <source>The server&apos;s key could not be read.</source>
        <translation>Der Schlüssel des Servers konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Can&apos;t create the folder &quot;%1&quot;.</source>
        <translation>Der Ordner „%1“ kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Your known hosts (%1) mark this key as revoked: it must not be trusted.</source>
        <translation>Ihre bekannten Hosts (%1) kennzeichnen diesen Schlüssel als widerrufen: Ihm darf nicht vertraut werden.</translation>
    </message>
    <message>
        <source>The server presented no certificate.</source>
        <translation>Der Server hat kein Zertifikat vorgelegt.</translation>
    </message>
    <message>
        <source>The server did not answer in time.</source>
        <translation>Der Server hat nicht rechtzeitig geantwortet.</translation>
    </message>
    <message>
        <source>The server does not offer TLS: &quot;%1&quot;</source>
        <translation>Der Server bietet kein TLS an: „%1“</translation>
    </message>
    <message>
        <source>TLS is not available on this system.</source>
        <translation>TLS ist auf diesem System nicht verfügbar.</translation>
    </message>
    <message>
        <source>Subject: %1
Issuer: %2
Valid from %3 to %4
SHA-256 fingerprint: %5</source>
        <translation>Inhaber: %1
Aussteller: %2
Gültig von %3 bis %4
SHA-256-Fingerabdruck: %5</translation>
    </message>
</context>
<context>
    <name>SiteProtocol</name>
    <message>
        <source>FTPS (TLS)</source>
        <translation>FTPS (TLS)</translation>
    </message>
    <message>
        <source>FTPS (implicit TLS, port 990)</source>
        <translation>FTPS (implizites TLS, Port 990)</translation>
    </message>
    <message>
        <source>SFTP (SSH)</source>
        <translation>SFTP (SSH)</translation>
    </message>
</context>
<context>
    <name>TextFile</name>
    <message>
        <source>The file is written in %1, which this program cannot convert here. It is shown read-only rather than guessed at.</source>
        <translation>Die Datei ist in %1 geschrieben, das dieses Programm hier nicht umwandeln kann. Sie wird schreibgeschützt angezeigt, statt geraten zu werden.</translation>
    </message>
    <message>
        <source>The file says it is written in %1, but it holds bytes that are not valid %1.</source>
        <translation>Die Datei gibt an, in %1 geschrieben zu sein, enthält aber Bytes, die kein gültiges %1 sind.</translation>
    </message>
    <message>
        <source>The file&apos;s %1 text could not be written back exactly as it is.</source>
        <translation>Der %1-Text der Datei könnte nicht genau so zurückgeschrieben werden, wie er ist.</translation>
    </message>
    <message>
        <source>The file holds bytes that are not valid %1.</source>
        <translation>Die Datei enthält Bytes, die kein gültiges %1 sind.</translation>
    </message>
    <message>
        <source>This is %1, not a regular file.</source>
        <translation>Dies ist %1, keine gewöhnliche Datei.</translation>
    </message>
    <message>
        <source>The file is %1 MB.</source>
        <translation>Die Datei ist %1 MB groß.</translation>
    </message>
</context>
<context>
    <name>Upload</name>
    <message>
        <source>%1 files were not sent.</source>
        <translation>%1 Dateien wurden nicht gesendet.</translation>
    </message>
    <message>
        <source>Set the folder&apos;s full path (starting with &quot;/&quot;) in the site&apos;s properties.</source>
        <translation>Geben Sie den vollständigen Pfad des Ordners (beginnend mit „/“) in den Eigenschaften der Website an.</translation>
    </message>
    <message>
        <source>The local folder of site &quot;%1&quot; is not a full path: &quot;%2&quot;.</source>
        <translation>Der lokale Ordner der Website „%1“ ist kein vollständiger Pfad: „%2“.</translation>
    </message>
    <message>
        <source>a symbolic link leads it outside the site folder</source>
        <translation>ein symbolischer Link führt aus dem Website-Ordner hinaus</translation>
    </message>
    <message>
        <source>its name has the form of the temporary names uploads use; rename it</source>
        <translation>ihr Name hat die Form der vorläufigen Namen beim Hochladen; benennen Sie sie um</translation>
    </message>
    <message>
        <source>
to:

	</source>
        <translation>
nach:

	</translation>
    </message>
    <message>
        <source>, folder %1 inside the login folder</source>
        <translation>, Ordner %1 im Anmeldeordner</translation>
    </message>
    <message>
        <source>

These files will not be sent:

</source>
        <translation>

Diese Dateien werden nicht gesendet:

</translation>
    </message>
    <message>
        <source>Click OK to upload these files:</source>
        <translation>Klicken Sie auf OK, um diese Dateien hochzuladen:</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was not sent.</source>
        <translation>„%1“ wurde nicht gesendet.</translation>
    </message>
</context>
<context>
    <name>morvane::AppDelegate</name>
    <message>
        <source>Unable to locate Application Support folder.</source>
        <translation>Der Datenordner des Programms wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Can&apos;t create local site folder</source>
        <translation>Der lokale Website-Ordner kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Beta version — use with caution!.</source>
        <translation>Betaversion – mit Vorsicht verwenden!</translation>
    </message>
    <message>
        <source>Make sure you back up your site files frequently.</source>
        <translation>Sichern Sie Ihre Website-Dateien regelmäßig.</translation>
    </message>
    <message>
        <source>It was kept as &quot;%1&quot;; </source>
        <translation>Sie wurde als „%1“ aufbewahrt; </translation>
    </message>
    <message>
        <source>It was left unchanged; </source>
        <translation>Sie blieb unverändert; </translation>
    </message>
    <message>
        <source>The list of files needing upload could not be read.</source>
        <translation>Die Liste der hochzuladenden Dateien konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>files changed earlier may need to be marked for upload again.</source>
        <translation>früher geänderte Dateien müssen vielleicht erneut zum Hochladen vorgemerkt werden.</translation>
    </message>
</context>
<context>
    <name>morvane::CompareDialog</name>
    <message>
        <source>Only here</source>
        <translation>Nur hier</translation>
    </message>
    <message>
        <source>Only on the server</source>
        <translation>Nur auf dem Server</translation>
    </message>
    <message>
        <source>Differs</source>
        <translation>Verschieden</translation>
    </message>
    <message>
        <source>Same</source>
        <translation>Gleich</translation>
    </message>
    <message>
        <source>Compare with Server</source>
        <translation>Mit Server vergleichen</translation>
    </message>
    <message>
        <source>These files are not the same here and on the server:</source>
        <translation>Diese Dateien sind hier und auf dem Server nicht gleich:</translation>
    </message>
    <message>
        <source>Files that differ</source>
        <translation>Abweichende Dateien</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>&amp;Upload</source>
        <translation>&amp;Hochladen</translation>
    </message>
    <message>
        <source>Upload the checked files</source>
        <translation>Die angehakten Dateien hochladen</translation>
    </message>
    <message>
        <source>&amp;Download</source>
        <translation>Herunte&amp;rladen</translation>
    </message>
    <message>
        <source>Download the checked files</source>
        <translation>Die angehakten Dateien herunterladen</translation>
    </message>
    <message>
        <source>D&amp;elete on Server</source>
        <translation>Auf dem Server &amp;löschen</translation>
    </message>
    <message>
        <source>Delete the checked files on the server</source>
        <translation>Die angehakten Dateien auf dem Server löschen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>morvane::DeleteJob</name>
    <message>
        <source>Not deleted</source>
        <translation>Nicht gelöscht</translation>
    </message>
    <message>
        <source>Removed the folder &quot;%1&quot;</source>
        <translation>Ordner „%1“ entfernt</translation>
    </message>
    <message>
        <source>ERROR: Can&apos;t initiate FTP. %1</source>
        <translation>FEHLER: FTP kann nicht gestartet werden. %1</translation>
    </message>
    <message>
        <source>Deleted &quot;%1&quot;</source>
        <translation>„%1“ gelöscht</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>Successful deletion of all files</source>
        <translation>Alle Dateien erfolgreich gelöscht</translation>
    </message>
    <message>
        <source>Error deleting &quot;%1&quot;: %2</source>
        <translation>Fehler beim Löschen von „%1“: %2</translation>
    </message>
    <message>
        <source>Error deleting %1 of %2 files</source>
        <translation>Fehler beim Löschen von %1 von %2 Dateien</translation>
    </message>
</context>
<context>
    <name>morvane::DiskWatchController</name>
    <message>
        <source>“%1” was changed on disk by another program while you edited it. Nothing is saved until you choose.</source>
        <translation>„%1“ wurde auf der Festplatte von einem anderen Programm geändert, während Sie es bearbeitet haben. Nichts wird gespeichert, bis Sie sich entscheiden.</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>&amp;Neu laden</translation>
    </message>
    <message>
        <source>Drop your edits and show the file as it is on disk</source>
        <translation>Ihre Änderungen verwerfen und die Datei zeigen, wie sie auf der Festplatte ist</translation>
    </message>
    <message>
        <source>&amp;Keep Mine</source>
        <translation>&amp;Meine behalten</translation>
    </message>
    <message>
        <source>Write your version over the one on disk</source>
        <translation>Ihre Fassung über die auf der Festplatte schreiben</translation>
    </message>
    <message>
        <source>“%1” was deleted or moved away on disk. Its text is still here.</source>
        <translation>„%1“ wurde auf der Festplatte gelöscht oder verschoben. Ihr Text ist noch hier.</translation>
    </message>
    <message numerus="yes">
        <source>%n other open file(s) are gone too.</source>
        <translation>
            <numerusform>%n weitere geöffnete Datei ist ebenfalls weg.</numerusform>
            <numerusform>%n weitere geöffnete Dateien sind ebenfalls weg.</numerusform>
        </translation>
    </message>
    <message>
        <source>S&amp;ave Again</source>
        <translation>Erneut &amp;speichern</translation>
    </message>
    <message>
        <source>Write the text back to the file&apos;s place</source>
        <translation>Den Text wieder an den Ort der Datei schreiben</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>Close the file; its text is dropped</source>
        <translation>Die Datei schließen; ihr Text wird verworfen</translation>
    </message>
    <message>
        <source>Can&apos;t read “%1”.</source>
        <translation>„%1“ kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>“%1” was changed on disk while you edited it.</source>
        <translation>„%1“ wurde auf der Festplatte geändert, während Sie es bearbeitet haben.</translation>
    </message>
    <message>
        <source>Keep your version (it is written over the one on disk), or reload the one on disk (your edits are dropped)?</source>
        <translation>Ihre Fassung behalten (sie wird über die auf der Festplatte geschrieben) oder die Fassung von der Festplatte neu laden (Ihre Änderungen werden verworfen)?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Neu laden</translation>
    </message>
    <message>
        <source>Keep Mine</source>
        <translation>Meine behalten</translation>
    </message>
    <message>
        <source>“%1” was deleted on disk, and its editor holds edits.</source>
        <translation>„%1“ wurde auf der Festplatte gelöscht, und sein Editor enthält Änderungen.</translation>
    </message>
    <message>
        <source>Save it again, or drop the text?</source>
        <translation>Erneut speichern oder den Text verwerfen?</translation>
    </message>
    <message>
        <source>Drop</source>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>Save Again</source>
        <translation>Erneut speichern</translation>
    </message>
</context>
<context>
    <name>morvane::DownloadJob</name>
    <message>
        <source>Not fetched</source>
        <translation>Nicht geholt</translation>
    </message>
    <message>
        <source>The path can&apos;t be written here: %1.</source>
        <translation>Der Pfad kann hier nicht geschrieben werden: %1.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a symbolic link here; it is not written through.</source>
        <translation>„%1“ ist hier ein symbolischer Link; durch ihn wird nicht geschrieben.</translation>
    </message>
    <message>
        <source>A folder or other non-file has this name here.</source>
        <translation>Hier trägt ein Ordner oder etwas anderes als eine Datei diesen Namen.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a file here, not a folder.</source>
        <translation>„%1“ ist hier eine Datei, kein Ordner.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; can&apos;t be made.</source>
        <translation>Der Ordner „%1“ kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The local file can&apos;t be written: %1</source>
        <translation>Die lokale Datei kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>libcurl refused the download&apos;s settings</source>
        <translation>libcurl hat die Einstellungen des Herunterladens abgelehnt</translation>
    </message>
    <message>
        <source>ERROR: Can&apos;t initiate FTP. %1</source>
        <translation>FEHLER: FTP kann nicht gestartet werden. %1</translation>
    </message>
    <message>
        <source>Downloaded &quot;%1&quot;</source>
        <translation>„%1“ heruntergeladen</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>Successful download of all files</source>
        <translation>Alle Dateien erfolgreich heruntergeladen</translation>
    </message>
    <message>
        <source>Error downloading &quot;%1&quot;: %2</source>
        <translation>Fehler beim Herunterladen von „%1“: %2</translation>
    </message>
    <message>
        <source>Error downloading %1 of %2 files</source>
        <translation>Fehler beim Herunterladen von %1 von %2 Dateien</translation>
    </message>
</context>
<context>
    <name>morvane::EditingTools</name>
    <message>
        <source>Completions</source>
        <translation>Vervollständigungen</translation>
    </message>
</context>
<context>
    <name>morvane::EditingToolsController</name>
    <message>
        <source>Go to Line</source>
        <translation>Gehe zu Zeile</translation>
    </message>
    <message>
        <source>Line, or line:column (such as 120:5):</source>
        <translation>Zeile, oder Zeile:Spalte (etwa 120:5):</translation>
    </message>
    <message>
        <source>Toggle Co&amp;mment</source>
        <translation>Ko&amp;mmentar umschalten</translation>
    </message>
    <message>
        <source>&amp;Go to Line…</source>
        <translation>&amp;Gehe zu Zeile…</translation>
    </message>
    <message>
        <source>Go to Matc&amp;hing Bracket</source>
        <translation>Zur &amp;passenden Klammer</translation>
    </message>
    <message>
        <source>Show Completions</source>
        <translation>Vervollständigungen zeigen</translation>
    </message>
    <message>
        <source>Close Tags While T&amp;yping</source>
        <translation>Tags beim Tippen sc&amp;hließen</translation>
    </message>
    <message>
        <source>“%1” is not a line.</source>
        <translation>„%1“ ist keine Zeile.</translation>
    </message>
    <message>
        <source>Type a line number from 1 to %1, or a line and a column such as 120:5.</source>
        <translation>Geben Sie eine Zeilennummer von 1 bis %1 ein, oder eine Zeile und eine Spalte wie 120:5.</translation>
    </message>
</context>
<context>
    <name>morvane::EncodingController</name>
    <message>
        <source> with BOM</source>
        <translation> mit BOM</translation>
    </message>
    <message>
        <source>Mixed (%1)</source>
        <translation>Gemischt (%1)</translation>
    </message>
    <message>
        <source>“%1” is saved as %2, which cannot hold “%3”.</source>
        <translation>„%1“ wird als %2 gespeichert, das „%3“ nicht darstellen kann.</translation>
    </message>
    <message>
        <source>Convert the file to UTF-8 (its charset declaration is updated, or added to the page&apos;s head), or keep %1 and leave out the characters it cannot hold?</source>
        <translation>Die Datei in UTF-8 umwandeln (ihre Zeichensatzangabe wird angepasst oder in den Kopf der Seite eingefügt) oder %1 behalten und die Zeichen weglassen, die es nicht darstellen kann?</translation>
    </message>
    <message>
        <source>Keep %1</source>
        <translation>%1 behalten</translation>
    </message>
    <message>
        <source>Convert to UTF-8</source>
        <translation>In UTF-8 umwandeln</translation>
    </message>
    <message>
        <source>Reopen “%1” as %2?</source>
        <translation>„%1“ als %2 neu öffnen?</translation>
    </message>
    <message>
        <source>Your unsaved edits are dropped.</source>
        <translation>Ihre nicht gespeicherten Änderungen werden verworfen.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Reopen</source>
        <translation>Neu öffnen</translation>
    </message>
    <message>
        <source>“%1” can&apos;t be read as %2.</source>
        <translation>„%1“ kann nicht als %2 gelesen werden.</translation>
    </message>
    <message>
        <source>“%1” can&apos;t be saved as %2.</source>
        <translation>„%1“ kann nicht als %2 gespeichert werden.</translation>
    </message>
    <message>
        <source>It holds “%1”, which %2 cannot hold.</source>
        <translation>Sie enthält „%1“, das %2 nicht darstellen kann.</translation>
    </message>
</context>
<context>
    <name>morvane::FileChangeBar</name>
    <message>
        <source>File changed on disk</source>
        <translation>Datei auf der Festplatte geändert</translation>
    </message>
</context>
<context>
    <name>morvane::FileNotice</name>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Try reading the file again</source>
        <translation>Die Datei erneut lesen</translation>
    </message>
</context>
<context>
    <name>morvane::FileTreeModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
</context>
<context>
    <name>morvane::FindBar</name>
    <message>
        <source>Find and replace</source>
        <translation>Suchen und ersetzen</translation>
    </message>
    <message>
        <source>F&amp;ind:</source>
        <translation>S&amp;uchen:</translation>
    </message>
    <message>
        <source>Text to find</source>
        <translation>Zu suchender Text</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>Find previous</source>
        <translation>Vorherigen Treffer suchen</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Weiter</translation>
    </message>
    <message>
        <source>Find next</source>
        <translation>Nächsten Treffer suchen</translation>
    </message>
    <message>
        <source>Match &amp;case</source>
        <translation>Groß-/&amp;Kleinschreibung</translation>
    </message>
    <message>
        <source>&amp;Whole words</source>
        <translation>&amp;Ganze Wörter</translation>
    </message>
    <message>
        <source>Regular e&amp;xpression</source>
        <translation>Regulärer &amp;Ausdruck</translation>
    </message>
    <message>
        <source>Find result</source>
        <translation>Suchergebnis</translation>
    </message>
    <message>
        <source>Close the find bar (Escape)</source>
        <translation>Suchleiste schließen (Esc)</translation>
    </message>
    <message>
        <source>Close the find bar</source>
        <translation>Suchleiste schließen</translation>
    </message>
    <message>
        <source>Replace wi&amp;th:</source>
        <translation>Ersetzen &amp;durch:</translation>
    </message>
    <message>
        <source>Replacement text</source>
        <translation>Ersetzungstext</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation>A&amp;lle ersetzen</translation>
    </message>
    <message>
        <source>Clear the text to find</source>
        <translation>Den Suchtext leeren</translation>
    </message>
</context>
<context>
    <name>morvane::FindController</name>
    <message>
        <source>Counting…</source>
        <translation>Wird gezählt …</translation>
    </message>
    <message>
        <source>Invalid expression: %1</source>
        <translation>Ungültiger Ausdruck: %1</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>%1+</source>
        <translation>%1+</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source> (wrapped)</source>
        <translation> (neu begonnen)</translation>
    </message>
    <message>
        <source>1 match</source>
        <translation>1 Treffer</translation>
    </message>
    <message>
        <source>%1 matches</source>
        <translation>%1 Treffer</translation>
    </message>
    <message>
        <source>Found (wrapped)</source>
        <translation>Gefunden (neu begonnen)</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>Gefunden</translation>
    </message>
    <message>
        <source>Replaced 1 match</source>
        <translation>1 Treffer ersetzt</translation>
    </message>
    <message>
        <source>Replaced %1 matches</source>
        <translation>%1 Treffer ersetzt</translation>
    </message>
</context>
<context>
    <name>morvane::FocusController</name>
    <message>
        <source>Next Pane</source>
        <translation>Nächster Bereich</translation>
    </message>
    <message>
        <source>Previous Pane</source>
        <translation>Vorheriger Bereich</translation>
    </message>
    <message>
        <source>Next Tab</source>
        <translation>Nächster Tab</translation>
    </message>
    <message>
        <source>Previous Tab</source>
        <translation>Vorheriger Tab</translation>
    </message>
</context>
<context>
    <name>morvane::HelpController</name>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Morvane &amp;Help</source>
        <translation>Morvane-&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;PHP Help</source>
        <translation>&amp;PHP-Hilfe</translation>
    </message>
    <message>
        <source>HT&amp;ML Help</source>
        <translation>HT&amp;ML-Hilfe</translation>
    </message>
    <message>
        <source>&amp;Website</source>
        <translation>&amp;Website von Morvane</translation>
    </message>
    <message>
        <source>&amp;Support</source>
        <translation>&amp;Support</translation>
    </message>
    <message>
        <source>&amp;Rate Morvane</source>
        <translation>Morvane &amp;bewerten</translation>
    </message>
    <message>
        <source>Check for &amp;Update...</source>
        <translation>Nach &amp;Aktualisierung suchen...</translation>
    </message>
    <message>
        <source>&amp;About Morvane</source>
        <translation>Ü&amp;ber Morvane</translation>
    </message>
</context>
<context>
    <name>morvane::LineNumberRuler</name>
    <message>
        <source>Line numbers</source>
        <translation>Zeilennummern</translation>
    </message>
</context>
<context>
    <name>morvane::MainWindow</name>
    <message>
        <source>Current site</source>
        <translation>Aktuelle Website</translation>
    </message>
    <message>
        <source>Actions for the selected item</source>
        <translation>Aktionen für das ausgewählte Objekt</translation>
    </message>
    <message>
        <source>Open files:</source>
        <translation>Geöffnete Dateien:</translation>
    </message>
    <message>
        <source>Open files</source>
        <translation>Geöffnete Dateien</translation>
    </message>
    <message>
        <source>Encoding and line ends</source>
        <translation>Kodierung und Zeilenenden</translation>
    </message>
    <message>
        <source>The file&apos;s encoding and line ends</source>
        <translation>Kodierung und Zeilenenden der Datei</translation>
    </message>
    <message>
        <source>Select a file in the site folder to edit it.</source>
        <translation>Wählen Sie eine Datei im Website-Ordner, um sie zu bearbeiten.</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vorwärts</translation>
    </message>
    <message>
        <source>Page title</source>
        <translation>Seitentitel</translation>
    </message>
    <message>
        <source>Page address</source>
        <translation>Seitenadresse</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>New File</source>
        <translation>Neue Datei</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>Refresh Folders</source>
        <translation>Ordner aktualisieren</translation>
    </message>
    <message>
        <source>Mark for Upload</source>
        <translation>Zum Hochladen vormerken</translation>
    </message>
    <message>
        <source>Unmark for Upload</source>
        <translation>Vormerkung zum Hochladen aufheben</translation>
    </message>
    <message>
        <source>&amp;Upload...</source>
        <translation>&amp;Hochladen...</translation>
    </message>
    <message>
        <source>Upload the changed files of this site</source>
        <translation>Die geänderten Dateien dieser Website hochladen</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Hochladen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>A&amp;lles auswählen</translation>
    </message>
    <message>
        <source>&amp;Indent</source>
        <translation>Ei&amp;nrücken</translation>
    </message>
    <message>
        <source>&amp;Outdent</source>
        <translation>A&amp;usrücken</translation>
    </message>
    <message>
        <source>Pre&amp;ferences…</source>
        <translation>Ein&amp;stellungen …</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Forward</source>
        <translation>&amp;Vorwärts</translation>
    </message>
    <message>
        <source>Re&amp;load Page</source>
        <translation>Seite &amp;neu laden</translation>
    </message>
    <message>
        <source>&amp;Preview Beside Editor</source>
        <translation>Vorschau neben dem &amp;Editor</translation>
    </message>
    <message>
        <source>&amp;Reopen with Encoding</source>
        <translation>Mit Kodierung neu ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Save with Encoding</source>
        <translation>Mit Kodierung &amp;speichern</translation>
    </message>
    <message>
        <source>&amp;Find</source>
        <translation>Su&amp;chen</translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation>&amp;Suchen...</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Find &amp;Previous</source>
        <translation>&amp;Rückwärts suchen</translation>
    </message>
    <message>
        <source>&amp;Replace...</source>
        <translation>&amp;Ersetzen...</translation>
    </message>
    <message>
        <source>&amp;Use Selection for Find</source>
        <translation>&amp;Auswahl suchen</translation>
    </message>
    <message>
        <source>Check &amp;Spelling While Typing</source>
        <translation>Rechtschreibung &amp;beim Tippen prüfen</translation>
    </message>
    <message>
        <source>Choose Si&amp;te...</source>
        <translation>&amp;Website wählen...</translation>
    </message>
    <message>
        <source>Choose &amp;Open File...</source>
        <translation>&amp;Geöffnete Datei wählen...</translation>
    </message>
    <message>
        <source>&amp;Action Menu</source>
        <translation>A&amp;ktionsmenü</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>The site whose folder the tree shows</source>
        <translation>Die Website, deren Ordner der Baum zeigt</translation>
    </message>
    <message>
        <source>Site files</source>
        <translation>Dateien der Website</translation>
    </message>
    <message>
        <source>Return opens the selected file for editing, F2 renames it, Delete moves it to the trash</source>
        <translation>Eingabe öffnet die ausgewählte Datei zum Bearbeiten, F2 benennt sie um, Entf verschiebt sie in den Papierkorb</translation>
    </message>
    <message>
        <source>&amp;Download Site…</source>
        <translation>Website h&amp;erunterladen…</translation>
    </message>
    <message>
        <source>Co&amp;mpare with Server…</source>
        <translation>Mit Server &amp;vergleichen…</translation>
    </message>
</context>
<context>
    <name>morvane::OpenFilesController</name>
    <message>
        <source>Text of %1</source>
        <translation>Text von %1</translation>
    </message>
    <message>
        <source>“%1” is %2 MB. Open it anyway?</source>
        <translation>„%1“ ist %2 MB groß. Trotzdem öffnen?</translation>
    </message>
    <message>
        <source>A file this large takes long to open and needs much memory.</source>
        <translation>Eine so große Datei braucht lange zum Öffnen und viel Arbeitsspeicher.</translation>
    </message>
    <message>
        <source>Don&apos;t Open</source>
        <translation>Nicht öffnen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>“%1” is not a text file.</source>
        <translation>„%1“ ist keine Textdatei.</translation>
    </message>
    <message>
        <source>It is shown in the Preview tab, and is never changed here.</source>
        <translation>Sie wird im Reiter Vorschau angezeigt und hier nie geändert.</translation>
    </message>
    <message>
        <source>“%1” was not opened.</source>
        <translation>„%1“ wurde nicht geöffnet.</translation>
    </message>
    <message>
        <source>“%1” could not be read.</source>
        <translation>„%1“ konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>“%1” is saved as %2, which cannot hold the character “%3”.</source>
        <translation>„%1“ wird als %2 gespeichert, das das Zeichen „%3“ nicht darstellen kann.</translation>
    </message>
    <message>
        <source>Error writing file.</source>
        <translation>Fehler beim Schreiben der Datei.</translation>
    </message>
</context>
<context>
    <name>morvane::OutlineController</name>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Actions for the selected item</source>
        <translation>Aktionen für das ausgewählte Objekt</translation>
    </message>
    <message>
        <source>Move &quot;%1&quot; to trash?</source>
        <translation>„%1“ in den Papierkorb verschieben?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>To Trash</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message>
        <source>Can&apos;t move to trash.</source>
        <translation>Verschieben in den Papierkorb nicht möglich.</translation>
    </message>
    <message>
        <source>An open file in &quot;%1&quot; has changes that are not saved yet.</source>
        <translation>Eine geöffnete Datei in „%1“ hat noch nicht gespeicherte Änderungen.</translation>
    </message>
    <message>
        <source>menu</source>
        <translation>Menü</translation>
    </message>
    <message>
        <source>Unmark for Upload</source>
        <translation>Vormerkung zum Hochladen aufheben</translation>
    </message>
    <message>
        <source>Mark for Upload</source>
        <translation>Zum Hochladen vormerken</translation>
    </message>
    <message>
        <source>New File</source>
        <translation>Neue Datei</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Show in File Manager</source>
        <translation>Im Dateimanager zeigen</translation>
    </message>
    <message>
        <source>Open with Default Application</source>
        <translation>Mit Standardanwendung öffnen</translation>
    </message>
    <message>
        <source>Open Site in File Manager</source>
        <translation>Website im Dateimanager öffnen</translation>
    </message>
    <message>
        <source>Open Site in FileZilla</source>
        <translation>Website in FileZilla öffnen</translation>
    </message>
    <message>
        <source>Copy &lt;img&gt; Tag</source>
        <translation>&lt;img&gt;-Tag kopieren</translation>
    </message>
    <message>
        <source>Can&apos;t open &quot;%1&quot;.</source>
        <translation>„%1“ kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>No application is set up to open this kind of file.</source>
        <translation>Für diese Art von Datei ist keine Anwendung eingerichtet.</translation>
    </message>
    <message>
        <source>Can&apos;t open the site&apos;s server folder.</source>
        <translation>Der Serverordner der Website kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Can&apos;t launch FileZilla</source>
        <translation>FileZilla kann nicht gestartet werden</translation>
    </message>
</context>
<context>
    <name>morvane::PrefsWindow</name>
    <message>
        <source>&amp;Tag</source>
        <translation>&amp;Tag</translation>
    </message>
    <message>
        <source>&amp;Attribute</source>
        <translation>&amp;Attribut</translation>
    </message>
    <message>
        <source>&amp;Parameter</source>
        <translation>&amp;Parameter</translation>
    </message>
    <message>
        <source>&amp;Comment</source>
        <translation>&amp;Kommentar</translation>
    </message>
    <message>
        <source>C&amp;ode</source>
        <translation>Co&amp;de</translation>
    </message>
    <message>
        <source>&amp;Identifier</source>
        <translation>&amp;Bezeichner</translation>
    </message>
    <message>
        <source>&amp;Reserved identifier</source>
        <translation>&amp;Reservierter Bezeichner</translation>
    </message>
    <message>
        <source>&amp;Variable</source>
        <translation>&amp;Variable</translation>
    </message>
    <message>
        <source>&amp;Start and end</source>
        <translation>Anfang und &amp;Ende</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Editor Font</source>
        <translation>Schrift des Editors</translation>
    </message>
    <message>
        <source>HTML colours</source>
        <translation>HTML-Farben</translation>
    </message>
    <message>
        <source>PHP colours</source>
        <translation>PHP-Farben</translation>
    </message>
    <message>
        <source>%1 colour</source>
        <translation>Farbe für %1</translation>
    </message>
    <message>
        <source>Editor &amp;font:</source>
        <translation>&amp;Schrift des Editors:</translation>
    </message>
    <message>
        <source>Editor font</source>
        <translation>Schrift des Editors</translation>
    </message>
    <message>
        <source>Auto-indent new lines</source>
        <translation>Neue Zeilen automatisch einrücken</translation>
    </message>
    <message>
        <source>Sa&amp;mple:</source>
        <translation>Beispie&amp;l:</translation>
    </message>
    <message>
        <source>Sample text</source>
        <translation>Beispieltext</translation>
    </message>
    <message>
        <source>Reset to the default preferences</source>
        <translation>Auf die Standardeinstellungen zurücksetzen</translation>
    </message>
    <message>
        <source>Close and store the preferences</source>
        <translation>Schließen und die Einstellungen speichern</translation>
    </message>
    <message>
        <source>Your preferences could not be saved.</source>
        <translation>Ihre Einstellungen konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The settings file “%1” could not be written. The choices stay in effect until you quit.</source>
        <translation>Die Einstellungsdatei „%1“ konnte nicht geschrieben werden. Die Auswahl gilt, bis Sie das Programm beenden.</translation>
    </message>
    <message>
        <source>Se&amp;lector</source>
        <translation>Selekt&amp;or</translation>
    </message>
    <message>
        <source>Propert&amp;y</source>
        <translation>E&amp;igenschaft</translation>
    </message>
    <message>
        <source>At-r&amp;ule</source>
        <translation>At-Re&amp;gel</translation>
    </message>
    <message>
        <source>Strin&amp;g</source>
        <translation>Zei&amp;chenkette</translation>
    </message>
    <message>
        <source>Num&amp;ber</source>
        <translation>Za&amp;hl</translation>
    </message>
    <message>
        <source>Regular e&amp;xpression</source>
        <translation>Regulärer A&amp;usdruck</translation>
    </message>
    <message>
        <source>CSS and JavaScript colours</source>
        <translation>CSS- und JavaScript-Farben</translation>
    </message>
    <message>
        <source>Auto-i&amp;ndent new lines</source>
        <translation>Neue Zeilen automatisch ei&amp;nrücken</translation>
    </message>
    <message>
        <source>R&amp;eset</source>
        <translation>&amp;Zurücksetzen</translation>
    </message>
</context>
<context>
    <name>morvane::PreviewController</name>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>no address</source>
        <translation>keine Adresse</translation>
    </message>
</context>
<context>
    <name>morvane::RenameDelegate</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
</context>
<context>
    <name>morvane::ServerDeletionDialog</name>
    <message>
        <source>Delete on the Server</source>
        <translation>Auf dem Server löschen</translation>
    </message>
    <message>
        <source>Delete 1 file in the server folder of &quot;%1&quot;?</source>
        <translation>1 Datei im Serverordner von „%1“ löschen?</translation>
    </message>
    <message>
        <source>Delete %1 files in the server folder of &quot;%2&quot;?</source>
        <translation>%1 Dateien im Serverordner von „%2“ löschen?</translation>
    </message>
    <message>
        <source>They are not here any more. Folders marked &quot;if empty&quot; are removed only when nothing else is left in them.</source>
        <translation>Sie sind hier nicht mehr vorhanden. Mit „falls leer“ bezeichnete Ordner werden nur entfernt, wenn nichts anderes mehr darin ist.</translation>
    </message>
    <message>
        <source>%1/ (if empty)</source>
        <translation>%1/ (falls leer)</translation>
    </message>
    <message>
        <source>Files to delete on the server</source>
        <translation>Auf dem Server zu löschende Dateien</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Delete on Server</source>
        <translation>Auf dem Server &amp;löschen</translation>
    </message>
</context>
<context>
    <name>morvane::SiteDialog</name>
    <message>
        <source>Choose the Local Folder</source>
        <translation>Lokalen Ordner wählen</translation>
    </message>
    <message>
        <source>The local folder must be a full path, such as &quot;%1&quot;.</source>
        <translation>Der lokale Ordner muss ein vollständiger Pfad sein, etwa „%1“.</translation>
    </message>
    <message>
        <source>The local folder &quot;%1&quot; doesn&apos;t exist.</source>
        <translation>Den lokalen Ordner „%1“ gibt es nicht.</translation>
    </message>
    <message>
        <source>Site Properties</source>
        <translation>Website-Eigenschaften</translation>
    </message>
    <message>
        <source>The folder on the server that holds the site. A folder that starts with &quot;/&quot; is taken from the server&apos;s root, for example /var/www/site; any other is inside the folder you log in to, for example public_html. Empty or &quot;/&quot;: the login folder itself.</source>
        <translation>Der Ordner auf dem Server, der die Website enthält. Ein Ordner, der mit „/“ beginnt, gilt ab der Wurzel des Servers, zum Beispiel /var/www/site; jeder andere liegt in dem Ordner, in dem Sie sich anmelden, zum Beispiel public_html. Leer oder „/“: der Anmeldeordner selbst.</translation>
    </message>
    <message>
        <source>Protocol</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>FTPS and SFTP encrypt the password and the files; plain FTP sends both in clear. The server field takes host or host:port; the port defaults to the protocol&apos;s.</source>
        <translation>FTPS und SFTP verschlüsseln Passwort und Dateien; einfaches FTP sendet beides im Klartext. Das Feld Server nimmt Host oder Host:Port an; ohne Port gilt der des Protokolls.</translation>
    </message>
    <message>
        <source>Upload under a temporary name</source>
        <translation>Unter vorläufigem Namen hochladen</translation>
    </message>
    <message>
        <source>A failed or interrupted upload then never leaves a broken page on the server. Turn it off only for a server that does not allow renaming files.</source>
        <translation>Ein fehlgeschlagenes oder unterbrochenes Hochladen hinterlässt dann nie eine kaputte Seite auf dem Server. Schalten Sie es nur für einen Server ab, der das Umbenennen von Dateien nicht erlaubt.</translation>
    </message>
    <message>
        <source>Check sizes after upload</source>
        <translation>Größen nach dem Hochladen prüfen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Other: %1</source>
        <translation>Andere: %1</translation>
    </message>
    <message>
        <source>Site name can&apos;t be empty.</source>
        <translation>Der Name der Website darf nicht leer sein.</translation>
    </message>
    <message>
        <source>A site named &quot;%1&quot; already exists.</source>
        <translation>Eine Website namens „%1“ gibt es bereits.</translation>
    </message>
    <message>
        <source>Choose another name.</source>
        <translation>Wählen Sie einen anderen Namen.</translation>
    </message>
    <message>
        <source>Type the folder&apos;s full path, or choose it with the button.</source>
        <translation>Geben Sie den vollständigen Pfad des Ordners ein, oder wählen Sie ihn mit dem Knopf.</translation>
    </message>
    <message>
        <source>The password is kept in the settings file.</source>
        <translation>Das Passwort wird in der Einstellungsdatei aufbewahrt.</translation>
    </message>
    <message>
        <source>%1 The password stays in the settings file, which only you can read. Once a keyring is available, passwords move there at the next start.</source>
        <translation>%1 Das Passwort bleibt in der Einstellungsdatei, die nur Sie lesen können. Sobald ein Schlüsselbund verfügbar ist, werden die Passwörter beim nächsten Start dorthin verschoben.</translation>
    </message>
    <message>
        <source>Can&apos;t save the list of sites.</source>
        <translation>Die Liste der Websites kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Site name is blank.</source>
        <translation>Der Name der Website ist leer.</translation>
    </message>
    <message>
        <source>Delete site &quot;%1&quot;?</source>
        <translation>Website „%1“ löschen?</translation>
    </message>
    <message>
        <source>Can&apos;t be undone. Has no effect on server.</source>
        <translation>Das kann nicht rückgängig gemacht werden. Auf dem Server ändert sich nichts.</translation>
    </message>
    <message>
        <source>Site &quot;%1&quot; doesn&apos;t exist.</source>
        <translation>Die Website „%1“ gibt es nicht.</translation>
    </message>
    <message>
        <source>Ch&amp;oose...</source>
        <translation>W&amp;ählen...</translation>
    </message>
    <message>
        <source>Choose the local folder</source>
        <translation>Den lokalen Ordner wählen</translation>
    </message>
    <message>
        <source>Site &amp;Name:</source>
        <translation>&amp;Name der Website:</translation>
    </message>
    <message>
        <source>&amp;Protocol:</source>
        <translation>&amp;Protokoll:</translation>
    </message>
    <message>
        <source>&amp;Server:</source>
        <translation>&amp;Server:</translation>
    </message>
    <message>
        <source>Server &amp;Folder:</source>
        <translation>Server&amp;ordner:</translation>
    </message>
    <message>
        <source>&amp;User Name:</source>
        <translation>&amp;Benutzername:</translation>
    </message>
    <message>
        <source>Pass&amp;word:</source>
        <translation>Pass&amp;wort:</translation>
    </message>
    <message>
        <source>&amp;Local Folder:</source>
        <translation>&amp;Lokaler Ordner:</translation>
    </message>
    <message>
        <source>Local U&amp;RL:</source>
        <translation>Lokale &amp;URL:</translation>
    </message>
    <message>
        <source>Upload under a &amp;temporary name, then rename it into place</source>
        <translation>Unter einem &amp;vorläufigen Namen hochladen und dann an seinen Platz umbenennen</translation>
    </message>
    <message>
        <source>Check the si&amp;ze of each file on the server after upload</source>
        <translation>Nach dem Hochladen die &amp;Größe jeder Datei auf dem Server prüfen</translation>
    </message>
    <message>
        <source>Exclude</source>
        <translation>Ausschließen</translation>
    </message>
    <message>
        <source>One pattern a line, such as *.log or cache/</source>
        <translation>Ein Muster pro Zeile, etwa *.log oder cache/</translation>
    </message>
    <message>
        <source>Names that are never uploaded, downloaded, compared or deleted, besides .git/, node_modules/, .DS_Store, editor backups and the like.</source>
        <translation>Namen, die nie hochgeladen, heruntergeladen, verglichen oder gelöscht werden, außer .git/, node_modules/, .DS_Store, Sicherungskopien von Editoren und Ähnlichem.</translation>
    </message>
    <message>
        <source>E&amp;xclude:</source>
        <translation>&amp;Ausschließen:</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>Lösch&amp;en</translation>
    </message>
    <message>
        <source>Sa&amp;ve Without Test</source>
        <translation>Ohne Test spei&amp;chern</translation>
    </message>
    <message>
        <source>Waiting for the keyring…</source>
        <translation>Warten auf den Schlüsselbund…</translation>
    </message>
</context>
<context>
    <name>morvane::SiteFindController</name>
    <message>
        <source>Fin&amp;d in Site…</source>
        <translation>&amp;In Website suchen…</translation>
    </message>
    <message>
        <source>Replace in S&amp;ite…</source>
        <translation>In Website erse&amp;tzen…</translation>
    </message>
    <message>
        <source>Find in Site</source>
        <translation>In Website suchen</translation>
    </message>
    <message>
        <source>Searching… %1 files, %2 matches in %3 files</source>
        <translation>Suche läuft… %1 Dateien, %2 Treffer in %3 Dateien</translation>
    </message>
    <message>
        <source>Type what to find.</source>
        <translation>Geben Sie ein, was gesucht werden soll.</translation>
    </message>
    <message>
        <source>Searching…</source>
        <translation>Suche läuft…</translation>
    </message>
    <message>
        <source>%1 matches in %2 files (%3 files searched)</source>
        <translation>%1 Treffer in %2 Dateien (%3 Dateien durchsucht)</translation>
    </message>
    <message>
        <source>Replace %1 matches in %2 files?</source>
        <translation>%1 Treffer in %2 Dateien ersetzen?</translation>
    </message>
    <message>
        <source>Open files change as if typed (Undo takes a file&apos;s change back); the others are written now. Every changed file is marked for upload.</source>
        <translation>Geöffnete Dateien ändern sich wie beim Tippen (Rückgängig nimmt die Änderung einer Datei zurück); die anderen werden jetzt geschrieben. Jede geänderte Datei wird zum Hochladen vorgemerkt.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>%1 (read-only)</source>
        <translation>%1 (schreibgeschützt)</translation>
    </message>
    <message>
        <source>%1 (could not be saved)</source>
        <translation>%1 (konnte nicht gespeichert werden)</translation>
    </message>
    <message>
        <source>%1 (changed on disk since the search)</source>
        <translation>%1 (seit der Suche auf der Festplatte geändert)</translation>
    </message>
    <message>
        <source>%1 (the new text does not fit its encoding)</source>
        <translation>%1 (der neue Text passt nicht zu seiner Kodierung)</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Replaced %1 matches in %2 files.</source>
        <translation>%1 Treffer in %2 Dateien ersetzt.</translation>
    </message>
    <message>
        <source>Some files were not changed.</source>
        <translation>Einige Dateien wurden nicht geändert.</translation>
    </message>
    <message>
        <source>Stopped: %1</source>
        <translation>Angehalten: %1</translation>
    </message>
    <message>
        <source>Replacing… %1 matches in %2 files so far</source>
        <translation>Ersetze … bisher %1 Treffer in %2 Dateien</translation>
    </message>
    <message>
        <source>Changed (%1 files):</source>
        <translation>Geändert (%1 Dateien):</translation>
    </message>
    <message>
        <source>Not changed:</source>
        <translation>Nicht geändert:</translation>
    </message>
    <message>
        <source>%1 files were left as they were.</source>
        <translation>%1 Dateien blieben, wie sie waren.</translation>
    </message>
    <message>
        <source>Replacing was stopped.</source>
        <translation>Das Ersetzen wurde angehalten.</translation>
    </message>
</context>
<context>
    <name>morvane::SiteSearchPanel</name>
    <message>
        <source>Fin&amp;d in site:</source>
        <translation>&amp;In Website suchen:</translation>
    </message>
    <message>
        <source>Find in site</source>
        <translation>In Website suchen</translation>
    </message>
    <message>
        <source>Rep&amp;lace with:</source>
        <translation>Erse&amp;tzen durch:</translation>
    </message>
    <message>
        <source>Replace with</source>
        <translation>Ersetzen durch</translation>
    </message>
    <message>
        <source>&amp;Match case</source>
        <translation>Groß-/Kleinschreibu&amp;ng</translation>
    </message>
    <message>
        <source>Match case</source>
        <translation>Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Wh&amp;ole words</source>
        <translation>Ganze Wö&amp;rter</translation>
    </message>
    <message>
        <source>Whole words</source>
        <translation>Ganze Wörter</translation>
    </message>
    <message>
        <source>Re&amp;gular expression</source>
        <translation>Regulärer Ausdru&amp;ck</translation>
    </message>
    <message>
        <source>Regular expression</source>
        <translation>Regulärer Ausdruck</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Suchen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Stop searching</source>
        <translation>Suche anhalten</translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation>A&amp;lle ersetzen</translation>
    </message>
    <message>
        <source>Replace all in site</source>
        <translation>Alle in der Website ersetzen</translation>
    </message>
    <message>
        <source>Search progress</source>
        <translation>Suchfortschritt</translation>
    </message>
    <message>
        <source>Matches in site</source>
        <translation>Treffer in der Website</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Replacing progress</source>
        <translation>Fortschritt des Ersetzens</translation>
    </message>
    <message>
        <source>%v of %m files</source>
        <translation>%v von %m Dateien</translation>
    </message>
    <message>
        <source>Stop replacing</source>
        <translation>Ersetzen anhalten</translation>
    </message>
</context>
<context>
    <name>morvane::SitesController</name>
    <message>
        <source>[none chosen]</source>
        <translation>[keine gewählt]</translation>
    </message>
    <message>
        <source>New...</source>
        <translation>Neu...</translation>
    </message>
    <message>
        <source>Edit...</source>
        <translation>Bearbeiten...</translation>
    </message>
    <message>
        <source>Can&apos;t save the list of sites.</source>
        <translation>Die Liste der Websites kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The certificate is trusted until you quit.</source>
        <translation>Dem Zertifikat wird vertraut, bis Sie das Programm beenden.</translation>
    </message>
    <message>
        <source>Can&apos;t get properties for current site:</source>
        <translation>Die Eigenschaften der aktuellen Website können nicht gelesen werden:</translation>
    </message>
    <message>
        <source>The local folder of site &quot;%1&quot; is not a full path: &quot;%2&quot;.</source>
        <translation>Der lokale Ordner der Website „%1“ ist kein vollständiger Pfad: „%2“.</translation>
    </message>
    <message>
        <source>Set the folder&apos;s full path (starting with &quot;/&quot;) in the site&apos;s properties. The default site folder is shown meanwhile.</source>
        <translation>Geben Sie den vollständigen Pfad des Ordners (beginnend mit „/“) in den Eigenschaften der Website an. Bis dahin wird der Standard-Website-Ordner gezeigt.</translation>
    </message>
</context>
<context>
    <name>morvane::SpellHighlighter</name>
    <message>
        <source>No Guesses Found</source>
        <translation>Keine Vorschläge gefunden</translation>
    </message>
    <message>
        <source>Add to Dictionary</source>
        <translation>Zum Wörterbuch hinzufügen</translation>
    </message>
    <message>
        <source>The word could not be added to your word list.</source>
        <translation>Das Wort konnte nicht zu Ihrer Wortliste hinzugefügt werden.</translation>
    </message>
</context>
<context>
    <name>morvane::SpellingController</name>
    <message>
        <source>Spelling cannot be checked.</source>
        <translation>Die Rechtschreibung kann nicht geprüft werden.</translation>
    </message>
    <message>
        <source>No spelling dictionary is installed for %1 or for English (US). Install one (the hunspell-en-us package, for example) and start Morvane again.</source>
        <translation>Für %1 und für Englisch (USA) ist kein Rechtschreibwörterbuch installiert. Installieren Sie eines (zum Beispiel das Paket hunspell-de-de) und starten Sie Morvane erneut.</translation>
    </message>
</context>
<context>
    <name>morvane::SyncController</name>
    <message>
        <source>…and %1 more</source>
        <translation>…und %1 weitere</translation>
    </message>
    <message>
        <source>No site is chosen.</source>
        <translation>Keine Website gewählt.</translation>
    </message>
    <message>
        <source>Choose a site, or make one with Sites ▸ New…</source>
        <translation>Wählen Sie eine Website, oder legen Sie eine an mit Websites ▸ Neu…</translation>
    </message>
    <message>
        <source>This site has no server.</source>
        <translation>Diese Website hat keinen Server.</translation>
    </message>
    <message>
        <source>Enter the server in the site&apos;s properties.</source>
        <translation>Tragen Sie den Server in den Eigenschaften der Website ein.</translation>
    </message>
    <message>
        <source>The password could not be read from the keyring.</source>
        <translation>Das Passwort konnte nicht aus dem Schlüsselbund gelesen werden.</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Nothing to download.</source>
        <translation>Nichts herunterzuladen.</translation>
    </message>
    <message>
        <source>Every file on the server is here already.</source>
        <translation>Jede Datei auf dem Server ist bereits hier.</translation>
    </message>
    <message>
        <source>Download 1 file from the server?</source>
        <translation>1 Datei vom Server herunterladen?</translation>
    </message>
    <message>
        <source>Download %1 files from the server?</source>
        <translation>%1 Dateien vom Server herunterladen?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>&quot;%1&quot; has changes here that are not uploaded yet.</source>
        <translation>„%1“ hat hier Änderungen, die noch nicht hochgeladen sind.</translation>
    </message>
    <message>
        <source>Keep your version, or take the server&apos;s in its place?</source>
        <translation>Ihre Version behalten, oder die des Servers an ihre Stelle setzen?</translation>
    </message>
    <message>
        <source>Keep Mine</source>
        <translation>Meine behalten</translation>
    </message>
    <message>
        <source>Take the Server&apos;s</source>
        <translation>Die vom Server nehmen</translation>
    </message>
    <message>
        <source>Keep Mine for All</source>
        <translation>Meine behalten für alle</translation>
    </message>
    <message>
        <source>Take the Server&apos;s for All</source>
        <translation>Die vom Server nehmen für alle</translation>
    </message>
    <message>
        <source>The server&apos;s state could not be remembered.</source>
        <translation>Der Zustand des Servers konnte nicht festgehalten werden.</translation>
    </message>
    <message>
        <source>Delete 1 file on the server?</source>
        <translation>1 Datei auf dem Server löschen?</translation>
    </message>
    <message>
        <source>Delete %1 files on the server?</source>
        <translation>%1 Dateien auf dem Server löschen?</translation>
    </message>
    <message>
        <source>These files will be deleted in the server folder; they are not here:

%1</source>
        <translation>Diese Dateien werden im Serverordner gelöscht; hier gibt es sie nicht:

%1</translation>
    </message>
    <message>
        <source>Delete on Server</source>
        <translation>Auf dem Server löschen</translation>
    </message>
    <message>
        <source>Every file is the same here and on the server.</source>
        <translation>Jede Datei ist hier und auf dem Server gleich.</translation>
    </message>
    <message>
        <source>Compare &quot;%1&quot; with its server?</source>
        <translation>„%1“ mit seinem Server vergleichen?</translation>
    </message>
    <message>
        <source>The site&apos;s folder already holds files. A comparison lists the files that are only here, only on the server, or differ, and changes nothing by itself.</source>
        <translation>Der Ordner der Website enthält bereits Dateien. Ein Vergleich listet die Dateien auf, die nur hier, nur auf dem Server oder verschieden sind, und ändert von sich aus nichts.</translation>
    </message>
    <message>
        <source>Not Now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>Compare with Server</source>
        <translation>Mit Server vergleichen</translation>
    </message>
    <message>
        <source>%1 (here: %2)</source>
        <translation>%1 (hier: %2)</translation>
    </message>
    <message>
        <source>Some names were skipped.</source>
        <translation>Einige Namen wurden übergangen.</translation>
    </message>
</context>
<context>
    <name>morvane::SyncWindow</name>
    <message>
        <source>Morvane</source>
        <translation>Morvane</translation>
    </message>
    <message>
        <source>Transfer status</source>
        <translation>Übertragungsstatus</translation>
    </message>
    <message>
        <source>Files that failed</source>
        <translation>Fehlgeschlagene Dateien</translation>
    </message>
    <message>
        <source>Retry Failed</source>
        <translation>Fehlgeschlagene wiederholen</translation>
    </message>
    <message>
        <source>Retry the files that failed</source>
        <translation>Die fehlgeschlagenen Dateien erneut versuchen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Stop or close</source>
        <translation>Anhalten oder schließen</translation>
    </message>
    <message>
        <source>Listing the server folder…</source>
        <translation>Der Serverordner wird aufgelistet…</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Downloading 1 file…</source>
        <translation>1 Datei wird heruntergeladen…</translation>
    </message>
    <message>
        <source>Downloading %1 files…</source>
        <translation>%1 Dateien werden heruntergeladen…</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Deleting 1 file on the server…</source>
        <translation>1 Datei wird auf dem Server gelöscht…</translation>
    </message>
    <message>
        <source>Deleting %1 files on the server…</source>
        <translation>%1 Dateien werden auf dem Server gelöscht…</translation>
    </message>
    <message>
        <source>Waiting for the keyring…</source>
        <translation>Warten auf den Schlüsselbund…</translation>
    </message>
</context>
<context>
    <name>morvane::TransferJob</name>
    <message>
        <source>This site has no server. Enter one in Site Properties.</source>
        <translation>Diese Website hat keinen Server. Tragen Sie einen in den Website-Eigenschaften ein.</translation>
    </message>
    <message>
        <source>The server name &quot;%1&quot; is not a valid FTP address.</source>
        <translation>Der Servername „%1“ ist keine gültige FTP-Adresse.</translation>
    </message>
    <message>
        <source>The server folder &quot;%1&quot; can&apos;t be sent: %2.</source>
        <translation>Der Serverordner „%1“ kann nicht gesendet werden: %2.</translation>
    </message>
    <message>
        <source>Creating the folder &quot;%1&quot; failed.</source>
        <translation>Das Anlegen des Ordners „%1“ ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Creating the folder &quot;%1&quot; was refused: &quot;%2&quot;</source>
        <translation>Das Anlegen des Ordners „%1“ wurde abgelehnt: „%2“</translation>
    </message>
    <message>
        <source>Initializing SFTP</source>
        <translation>SFTP wird gestartet</translation>
    </message>
    <message>
        <source>Initializing FTPS</source>
        <translation>FTPS wird gestartet</translation>
    </message>
    <message>
        <source>Uploaded &quot;%1&quot;</source>
        <translation>„%1“ hochgeladen</translation>
    </message>
    <message>
        <source>ERROR: %1</source>
        <translation>FEHLER: %1</translation>
    </message>
    <message>
        <source>Successful connection</source>
        <translation>Verbindung erfolgreich</translation>
    </message>
    <message>
        <source>Successful upload of all files</source>
        <translation>Alle Dateien erfolgreich hochgeladen</translation>
    </message>
    <message>
        <source>Error uploading &quot;%1&quot;: %2</source>
        <translation>Fehler beim Hochladen von „%1“: %2</translation>
    </message>
    <message>
        <source>Error uploading %1 of %2 files</source>
        <translation>Fehler beim Hochladen von %1 von %2 Dateien</translation>
    </message>
    <message>
        <source>; the first, &quot;%1&quot;: %2</source>
        <translation>; die erste, „%1“: %2</translation>
    </message>
    <message>
        <source>ERROR: </source>
        <translation>FEHLER: </translation>
    </message>
    <message>
        <source>Not sent</source>
        <translation>Nicht gesendet</translation>
    </message>
    <message>
        <source>Initializing FTP</source>
        <translation>FTP wird gestartet</translation>
    </message>
    <message>
        <source>ERROR: Can&apos;t initiate FTP</source>
        <translation>FEHLER: FTP kann nicht gestartet werden</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>Stopping: removing the unfinished files from the server</source>
        <translation>Wird angehalten: Die unfertigen Dateien werden vom Server entfernt</translation>
    </message>
</context>
<context>
    <name>morvane::TransferProgress</name>
    <message>
        <source>%1 B</source>
        <translation>%1 B</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 GB</source>
        <translation>%1 GB</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 of 1 file</source>
        <translation>%1 von 1 Datei</translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>%1 von %2 Dateien</translation>
    </message>
    <message>
        <source>%1, %2 of %3, %4/s</source>
        <translation>%1, %2 von %3, %4/s</translation>
    </message>
    <message>
        <source>, about %1 left</source>
        <translation>, noch etwa %1</translation>
    </message>
    <message>
        <source>%1/%2 files</source>
        <translation>%1/%2 Dateien</translation>
    </message>
    <message>
        <source>, %1 of %2, %3/s</source>
        <translation>, %1 von %2, %3/s</translation>
    </message>
    <message>
        <source>, %1 left</source>
        <translation>, noch %1</translation>
    </message>
</context>
<context>
    <name>morvane::TransferProgressView</name>
    <message>
        <source>File being transferred</source>
        <translation>Datei in Übertragung</translation>
    </message>
    <message>
        <source>Progress of the current file</source>
        <translation>Fortschritt der aktuellen Datei</translation>
    </message>
    <message>
        <source>Overall progress</source>
        <translation>Gesamtfortschritt</translation>
    </message>
    <message>
        <source>Files and bytes done, speed and time left</source>
        <translation>Erledigte Dateien und Bytes, Geschwindigkeit und verbleibende Zeit</translation>
    </message>
</context>
<context>
    <name>morvane::TransferWindow</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Morvane</source>
        <translation>Morvane</translation>
    </message>
    <message>
        <source>Transfer status</source>
        <translation>Übertragungsstatus</translation>
    </message>
    <message>
        <source>Transfer progress</source>
        <translation>Übertragungsfortschritt</translation>
    </message>
    <message>
        <source>Files not uploaded</source>
        <translation>Nicht hochgeladene Dateien</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>You are not connected to the internet.</source>
        <translation>Sie sind nicht mit dem Internet verbunden.</translation>
    </message>
    <message>
        <source>Can&apos;t read what the server presents.</source>
        <translation>Was der Server vorlegt, kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The server&apos;s host key is revoked</source>
        <translation>Der Hostschlüssel des Servers ist widerrufen</translation>
    </message>
    <message>
        <source>The server&apos;s host key has changed</source>
        <translation>Der Hostschlüssel des Servers hat sich geändert</translation>
    </message>
    <message>
        <source>The server&apos;s certificate has changed</source>
        <translation>Das Zertifikat des Servers hat sich geändert</translation>
    </message>
    <message>
        <source>The server&apos;s host key is not known</source>
        <translation>Der Hostschlüssel des Servers ist unbekannt</translation>
    </message>
    <message>
        <source>The server&apos;s certificate is not trusted</source>
        <translation>Dem Zertifikat des Servers wird nicht vertraut</translation>
    </message>
    <message>
        <source>Accept This Key</source>
        <translation>Diesen Schlüssel annehmen</translation>
    </message>
    <message>
        <source>Trust This Certificate</source>
        <translation>Diesem Zertifikat vertrauen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Can&apos;t record the server&apos;s key.</source>
        <translation>Der Schlüssel des Servers kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Waiting for the keyring…</source>
        <translation>Warten auf den Schlüsselbund…</translation>
    </message>
    <message>
        <source>Retry Failed</source>
        <translation>Fehlgeschlagene wiederholen</translation>
    </message>
    <message>
        <source>Retry the files that failed</source>
        <translation>Die fehlgeschlagenen Dateien erneut versuchen</translation>
    </message>
</context>
<context>
    <name>morvane::UnsavedEditsController</name>
    <message>
        <source>%1, unsaved edits</source>
        <translation>%1, ungespeicherte Änderungen</translation>
    </message>
    <message>
        <source>Text of %1, unsaved edits</source>
        <translation>Text von %1, ungespeicherte Änderungen</translation>
    </message>
    <message>
        <source>Text of %1</source>
        <translation>Text von %1</translation>
    </message>
    <message>
        <source>%1 — Morvane</source>
        <translation>%1 — Morvane</translation>
    </message>
</context>
<context>
    <name>morvane::UploadDialog</name>
    <message>
        <source>Upload</source>
        <translation>Hochladen</translation>
    </message>
    <message>
        <source>Files to upload</source>
        <translation>Hochzuladende Dateien</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Click OK to upload these files:</source>
        <translation>Klicken Sie auf OK, um diese Dateien hochzuladen:</translation>
    </message>
    <message>
        <source>Before you can upload you need to choose (and maybe set up) a site.</source>
        <translation>Bevor Sie hochladen können, müssen Sie eine Website wählen (und eventuell einrichten).</translation>
    </message>
    <message>
        <source>Click OK to go to the Site Properties dialog.</source>
        <translation>Klicken Sie auf OK, um zu den Website-Eigenschaften zu gelangen.</translation>
    </message>
    <message>
        <source>The site &quot;%1&quot; has no FTP server to upload to.</source>
        <translation>Die Website „%1“ hat keinen FTP-Server, auf den hochgeladen werden kann.</translation>
    </message>
    <message>
        <source>Click OK to enter the server in the Site Properties dialog.</source>
        <translation>Klicken Sie auf OK, um den Server in den Website-Eigenschaften einzutragen.</translation>
    </message>
    <message>
        <source>Nothing to upload.</source>
        <translation>Nichts hochzuladen.</translation>
    </message>
    <message>
        <source>You are not connected to the internet.</source>
        <translation>Sie sind nicht mit dem Internet verbunden.</translation>
    </message>
    <message>
        <source>Also &amp;delete on the server files deleted here</source>
        <translation>Hier gelöschte Dateien auch auf dem Server &amp;löschen</translation>
    </message>
    <message>
        <source>Also delete on the server files deleted here</source>
        <translation>Hier gelöschte Dateien auch auf dem Server löschen</translation>
    </message>
    <message>
        <source>After the upload, the server folder is listed and every file to be deleted is shown for you to confirm.</source>
        <translation>Nach dem Hochladen wird der Serverordner gelesen, und jede zu löschende Datei wird Ihnen zur Bestätigung gezeigt.</translation>
    </message>
    <message>
        <source>Nothing is deleted on the server.</source>
        <translation>Auf dem Server wird nichts gelöscht.</translation>
    </message>
    <message>
        <source>The upload did not succeed.</source>
        <translation>Das Hochladen ist nicht gelungen.</translation>
    </message>
    <message>
        <source>Nothing to delete on the server.</source>
        <translation>Auf dem Server ist nichts zu löschen.</translation>
    </message>
    <message>
        <source>Every file in the server folder is here too.</source>
        <translation>Jede Datei im Serverordner ist auch hier.</translation>
    </message>
</context>
<context>
    <name>morvane::UploadMarks</name>
    <message>
        <source>The existing record could not be read and was kept unchanged.</source>
        <translation>Die vorhandene Liste konnte nicht gelesen werden und blieb unverändert.</translation>
    </message>
    <message>
        <source>The list of files needing upload could not be read.</source>
        <translation>Die Liste der hochzuladenden Dateien konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>It was kept as &quot;%1&quot;; the marks known here were written in its place.</source>
        <translation>Sie wurde als „%1“ aufbewahrt; die hier bekannten Markierungen wurden an ihrer Stelle geschrieben.</translation>
    </message>
    <message>
        <source>The existing list could not be read and was kept unchanged.</source>
        <translation>Die vorhandene Liste konnte nicht gelesen werden und blieb unverändert.</translation>
    </message>
    <message>
        <source>Can&apos;t save the list of files needing upload.</source>
        <translation>Die Liste der hochzuladenden Dateien kann nicht gespeichert werden.</translation>
    </message>
</context>
<context>
    <name>morvane::help::AboutDialog</name>
    <message>
        <source>About Morvane</source>
        <translation>Über Morvane</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>morvane::help::HelpBrowser</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vorwärts</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Neu laden</translation>
    </message>
    <message>
        <source>Help page</source>
        <translation>Hilfeseite</translation>
    </message>
    <message>
        <source>Morvane Help</source>
        <translation>Morvane-Hilfe</translation>
    </message>
    <message>
        <source>PHP Help</source>
        <translation>PHP-Hilfe</translation>
    </message>
    <message>
        <source>HTML Help</source>
        <translation>HTML-Hilfe</translation>
    </message>
</context>
<context>
    <name>morvane::help::UpdateChecker</name>
    <message>
        <source>App is up-to-date.</source>
        <translation>Das Programm ist auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>An app update may be available.</source>
        <translation>Eine neue Version des Programms ist vielleicht verfügbar.</translation>
    </message>
    <message>
        <source>Choose Website on the Help menu to download a new version.</source>
        <translation>Wählen Sie „Website von Morvane“ im Menü Hilfe, um eine neue Version herunterzuladen.</translation>
    </message>
    <message>
        <source>Install the new version the way you installed this one, for example with your system&apos;s package manager.</source>
        <translation>Installieren Sie die neue Version so, wie Sie diese installiert haben, zum Beispiel mit der Paketverwaltung Ihres Systems.</translation>
    </message>
</context>
<context>
    <name>morvane::serverdeletions</name>
    <message>
        <source>Nothing is deleted on the server.</source>
        <translation>Auf dem Server wird nichts gelöscht.</translation>
    </message>
    <message>
        <source>The server&apos;s state could not be remembered.</source>
        <translation>Der Zustand des Servers konnte nicht festgehalten werden.</translation>
    </message>
</context>
</TS>
