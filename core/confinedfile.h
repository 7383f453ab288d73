// Opening a file of a folder (a site) for reading so that what is read is
// a regular file that really lies inside the folder, however its path is
// changed meanwhile. A path is checked when an upload is planned and read
// later; a file or folder swapped for a symbolic link in between must not
// carry a file from elsewhere (a private key, a password file) to a server.
#pragma once

#include <QString>

namespace morvane::confinedfile {

// An open file descriptor, closed on destruction.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : m_fd(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int release(); // the caller owns the descriptor from now on
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

struct Opened {
    Fd fd;           // valid on success
    QString problem; // why it was not opened, in words for a message
    bool ok() const { return fd.isValid(); }
};

// Opens `path` (a full path) for reading when it is a regular file inside
// `folder`. Symbolic links are allowed where they stay inside the folder,
// as the upload plan allows them: the path is resolved first, and the
// resolved path is then opened one level at a time from the folder without
// following any link (O_NOFOLLOW), so that a name swapped for a link after
// the resolution is refused rather than followed. A FIFO, a device or a
// folder is refused without blocking on it.
Opened openInside(const QString& folder, const QString& path);

} // namespace morvane::confinedfile
