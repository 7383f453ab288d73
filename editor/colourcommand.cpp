#include "editor/colourcommand.h"

#include "core/textfile.h"
#include "editor/syntax/attributestore.h"
#include "editor/syntax/filetype.h"
#include "editor/syntax/scanners.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sys/mman.h>
#include <sys/stat.h>

#include <charconv>
#include <functional>

namespace morvane {

namespace {

// Collects the run lines and hands them on in pieces, so even a file with
// millions of runs needs only a small buffer.
class RunWriter {
public:
    explicit RunWriter(std::function<void(std::string_view)> sink) : m_sink(std::move(sink)) {
        m_buf.reserve(kFlushAt + 128);
    }
    ~RunWriter() { flush(); }
    void run(std::int64_t start, std::int64_t length, SyntaxRole role, bool marked) {
        if (role == SyntaxRole::None && !marked)
            return;
        char num[48];
        char* p = std::to_chars(num, num + 24, start).ptr;
        *p++ = ' ';
        p = std::to_chars(p, p + 24, length).ptr;
        *p++ = ' ';
        m_buf.append(num, p);
        m_buf.append(syntaxRoleName(role));
        m_buf.append(marked ? " marked\n" : " -\n");
        if (m_buf.size() >= kFlushAt)
            flush();
    }
    void flush() {
        if (!m_buf.empty())
            m_sink(m_buf);
        m_buf.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    std::function<void(std::string_view)> m_sink;
    std::string m_buf;
};

void writeRuns(std::u16string_view text, FileColouring kind,
               const std::function<void(std::string_view)>& sink) {
    AttributeStore store;
    store.reset(text);
    const auto n = std::int64_t(text.size());
    const ScanWindow w{text.data(), 0, 0, n, 0};
    if (kind == FileColouring::Css || kind == FileColouring::Js)
        scanCode(w, 0,
                 ScanState::start(kind == FileColouring::Css ? CodeLanguage::Css : CodeLanguage::Js,
                                  false),
                 store);
    else
        scanHtml(w, store);
    RunWriter writer(sink);
    store.forEachRun(0, n,
                     [&writer](std::int64_t start, std::int64_t length, SyntaxRole role,
                               bool marked) { writer.run(start, length, role, marked); });
}

// An anonymous mapping for one large buffer, backed by huge pages where the
// system allows: filling 20 MB of text then costs a handful of page faults
// instead of thousands.
class LargeBuffer {
public:
    explicit LargeBuffer(std::size_t bytes) : m_size(bytes) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            return;
        m_data = p;
        madvise(p, bytes, MADV_HUGEPAGE);
    }
    ~LargeBuffer() {
        if (m_data)
            munmap(m_data, m_size);
    }
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    void* data() const { return m_data; }

private:
    void* m_data = nullptr;
    std::size_t m_size;
};

// True when the bytes are plain ASCII without carriage returns: then the
// editor's decoding (UTF-8, line ends normalised to '\n') maps each byte to
// the same code unit and the text can be widened directly.
bool isPlainAscii(const char* p, std::size_t n) {
    unsigned char high = 0;
    bool cr = false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        high |= c;
        cr |= c == '\r';
    }
    return high < 0x80 && !cr;
}

// Runs the scanner over the file's text as the editor would read it and
// hands the runs to `sink`. Returns false with `file` describing the
// failure when the file cannot be read as text.
bool colourFileText(const QString& path, FileColouring kind,
                    const std::function<void(std::string_view)>& sink, TextFileContents& file) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly) && f.size() > 0) {
        const auto size = std::size_t(f.size());
        if (const uchar* mapped = f.map(0, f.size())) {
            const auto* bytes = reinterpret_cast<const char*>(mapped);
            // Plain ASCII still has to pass the check for files that are not
            // text (NULs, a PDF's signature…); anything else is decoded.
            if (isPlainAscii(bytes, size) &&
                !looksLikeNotText(QByteArrayView(bytes, qsizetype(size)), false)) {
                LargeBuffer buffer(size * sizeof(char16_t));
                if (auto* text = static_cast<char16_t*>(buffer.data())) {
                    for (std::size_t i = 0; i < size; ++i)
                        text[i] = char16_t(static_cast<unsigned char>(bytes[i]));
                    file.ok = true;
                    writeRuns(std::u16string_view(text, size), kind, sink);
                    return true;
                }
            }
            file = decodeText(QByteArray::fromRawData(bytes, qsizetype(size)), false);
        }
    }
    if (!file.ok && !file.notText)
        file = readTextFile(path, kLargeFileBytes, false);
    if (!file.ok)
        return false;
    writeRuns(std::u16string_view(reinterpret_cast<const char16_t*>(file.text.utf16()),
                                  std::size_t(file.text.size())),
              kind, sink);
    return true;
}

// Runs the command, handing the output to `sink`; returns the exit code.
int colourFile(const QStringList& args, const std::function<void(std::string_view)>& sink,
               QTextStream& err) {
    if (args.size() != 2 || args.at(0) != QLatin1String("--runs")) {
        err << QCoreApplication::translate("CommandLine", "usage: morvane colour --runs FILE\n");
        return 2;
    }
    const QString& path = args.at(1);
    const QString suffix = QFileInfo(path).suffix();
    // Files the editor shows without colours give no runs, but must still
    // be readable as text.
    const FileColouring kind = colouringForExtension(std::u16string_view(
        reinterpret_cast<const char16_t*>(suffix.utf16()), std::size_t(suffix.size())));
    const bool colourable = kind != FileColouring::None;
    TextFileContents file;
    // Only regular files of a sensible size are read: a named pipe would
    // wait for a writer forever, a link to a device could be read without end.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 &&
        (!S_ISREG(st.st_mode) || st.st_size > kLargeFileBytes)) {
        if (!S_ISREG(st.st_mode))
            err << "morvane colour: " << path << ": "
                << QCoreApplication::translate("CommandLine", "%1, not a regular file\n")
                       .arg(describeFileType(st.st_mode));
        else
            err << "morvane colour: " << path << ": "
                << QCoreApplication::translate("CommandLine",
                                               "%1 MB is more than the %2 MB limit\n")
                       .arg(st.st_size / kMegabyte)
                       .arg(kLargeFileBytes / kMegabyte);
        return 1;
    }
    const bool ok = colourable ? colourFileText(path, kind, sink, file)
                               : (file = readTextFile(path, kLargeFileBytes, false)).ok;
    if (!ok) {
        if (file.notText)
            err << "morvane colour: " << path << ": "
                << QCoreApplication::translate("CommandLine", "not a text file\n");
        else
            err << "morvane colour: " << path << ": " << file.error << '\n';
        return 1;
    }
    return 0;
}

} // namespace

std::string colourRunLines(std::u16string_view text) {
    std::string out;
    writeRuns(text, FileColouring::Html, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

int runColourCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    std::string text;
    const int rc = colourFile(
        args, [&text](std::string_view piece) { text.append(piece); }, err);
    out << QLatin1StringView(text.data(), qsizetype(text.size()));
    out.flush();
    return rc;
}

int runColourCommand(const QStringList& args, std::FILE* out, QTextStream& err) {
    bool writeFailed = false;
    const int rc = colourFile(
        args,
        [out, &writeFailed](std::string_view piece) {
            if (!writeFailed && std::fwrite(piece.data(), 1, piece.size(), out) != piece.size())
                writeFailed = true;
        },
        err);
    if (std::fflush(out) != 0)
        writeFailed = true;
    if (writeFailed) {
        err << "morvane colour: "
            << QCoreApplication::translate("CommandLine", "cannot write the output\n");
        err.flush();
        return 1;
    }
    err.flush();
    return rc;
}

} // namespace morvane
