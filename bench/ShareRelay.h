#pragma once

// A network share for benchmarks, without a network: a FUSE file system (spoken to directly
// through /dev/fuse) that relays a local folder and answers every request a fixed round trip
// late, several requests at once, as sshfs does over a slow link. The kernel's part is the real
// one: its page cache dropped at every opening (sshfs's default), read-ahead, O_DIRECT reads,
// the attribute and entry caches (one second). Needs root (or CAP_SYS_ADMIN) and /dev/fuse.
//
//   ShareRelay::Serve(folder, mountPoint, roundTripMs)  mounts and serves until unmounted

#include <linux/fuse.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <unistd.h>

namespace ShareRelay {

// The path of a node whose name is gone.
inline const std::string &Stale()
{
    static const std::string stale(1, '\x01');
    return stale;
}

class TServer
{
public:
    TServer(std::string folder, int fuse, int roundTripMs) : FFolder(std::move(folder)), FFuse(fuse), FDelay(roundTripMs)
    {
        FPaths[FUSE_ROOT_ID] = std::string();
    }

    // Serves requests on `threads` threads until the file system is unmounted.
    void Run(int threads)
    {
        std::vector<std::thread> pool;
        for (int i = 1; i < threads; ++i)
            pool.emplace_back([this] { Loop(); });
        Loop();
        for (std::thread &thread : pool)
            thread.join();
    }

private:
    // Room for the largest write (max_write) with its headers.
    static constexpr std::size_t MaxWrite = 128 * 1024;
    static constexpr std::size_t BufferSize = MaxWrite + 64 * 1024;

    void Loop()
    {
        std::vector<char> buffer(BufferSize);
        for (;;) {
            const ssize_t got = ::read(FFuse, buffer.data(), buffer.size());
            if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == ENOENT))
                continue;
            if (got <= 0)
                return; // unmounted (ENODEV)
            Handle(buffer.data(), std::size_t(got));
        }
    }

    std::string PathOf(uint64_t node)
    {
        std::lock_guard<std::mutex> guard(FLock);
        const auto found = FPaths.find(node);
        return found == FPaths.end() ? Stale() : found->second;
    }
    std::string Real(const std::string &path) const { return FFolder + path; }
    static std::string Join(const std::string &parent, const char *name) { return parent + "/" + name; }

    uint64_t NodeOf(const std::string &path)
    {
        std::lock_guard<std::mutex> guard(FLock);
        const auto found = FNodes.find(path);
        if (found != FNodes.end())
            return found->second;
        const uint64_t node = FNext++;
        FNodes[path] = node;
        FPaths[node] = path;
        return node;
    }
    static bool Below(const std::string &path, const std::string &root)
    {
        return path == root
               || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
    }
    // A renamed entry keeps its node; the one it replaced (and what stood below) loses its name.
    void Renamed(const std::string &from, const std::string &to)
    {
        std::lock_guard<std::mutex> guard(FLock);
        std::map<std::string, uint64_t> nodes;
        for (auto &[path, node] : FNodes) {
            if (Below(path, to)) {
                FPaths[node] = Stale();
                continue;
            }
            const std::string now = !from.empty() && Below(path, from) ? to + path.substr(from.size()) : path;
            nodes[now] = node;
            FPaths[node] = now;
        }
        FNodes.swap(nodes);
    }

    static void Attr(const struct stat &info, fuse_attr &attr)
    {
        std::memset(&attr, 0, sizeof attr);
        attr.ino = info.st_ino;
        attr.size = uint64_t(info.st_size);
        attr.blocks = uint64_t(info.st_blocks);
        attr.atime = uint64_t(info.st_atim.tv_sec);
        attr.mtime = uint64_t(info.st_mtim.tv_sec);
        attr.ctime = uint64_t(info.st_ctim.tv_sec);
        attr.atimensec = uint32_t(info.st_atim.tv_nsec);
        attr.mtimensec = uint32_t(info.st_mtim.tv_nsec);
        attr.ctimensec = uint32_t(info.st_ctim.tv_nsec);
        attr.mode = info.st_mode;
        attr.nlink = uint32_t(info.st_nlink);
        attr.uid = info.st_uid;
        attr.gid = info.st_gid;
        attr.rdev = uint32_t(info.st_rdev);
        attr.blksize = 4096;
    }

    void Reply(uint64_t unique, int error, const void *data = nullptr, std::size_t size = 0)
    {
        fuse_out_header header{};
        header.unique = unique;
        header.error = error > 0 ? -error : error;
        header.len = uint32_t(sizeof header + (error == 0 ? size : 0));
        std::vector<char> out(header.len);
        std::memcpy(out.data(), &header, sizeof header);
        if (error == 0 && size)
            std::memcpy(out.data() + sizeof header, data, size);
        (void)!::write(FFuse, out.data(), out.size());
    }
    template<typename T>
    void Reply(uint64_t unique, const T &value)
    {
        Reply(unique, 0, &value, sizeof value);
    }

    int Entry(const std::string &path, fuse_entry_out &entry)
    {
        struct stat info;
        if (::lstat(Real(path).c_str(), &info) != 0)
            return errno;
        std::memset(&entry, 0, sizeof entry);
        entry.nodeid = NodeOf(path);
        entry.entry_valid = 1;
        entry.attr_valid = 1;
        Attr(info, entry.attr);
        return 0;
    }
    int AttrOut(const std::string &path, fuse_attr_out &out)
    {
        struct stat info;
        if (::lstat(Real(path).c_str(), &info) != 0)
            return errno;
        std::memset(&out, 0, sizeof out);
        out.attr_valid = 1;
        Attr(info, out.attr);
        return 0;
    }

    void Handle(const char *request, std::size_t size)
    {
        const auto *in = reinterpret_cast<const fuse_in_header *>(request);
        const char *arg = request + sizeof(fuse_in_header);
        (void)size;
        const uint32_t op = in->opcode;
        if (op == FUSE_FORGET || op == FUSE_BATCH_FORGET || op == FUSE_INTERRUPT)
            return;
        if (op != FUSE_INIT && op != FUSE_DESTROY)
            std::this_thread::sleep_for(std::chrono::milliseconds(FDelay));
        const uint64_t unique = in->unique;
        const std::string path = op == FUSE_INIT || op == FUSE_DESTROY ? std::string() : PathOf(in->nodeid);
        if (path == Stale() && op != FUSE_RELEASE && op != FUSE_RELEASEDIR && op != FUSE_READ && op != FUSE_WRITE
            && op != FUSE_FLUSH && op != FUSE_FSYNC && op != FUSE_GETATTR)
            return Reply(unique, ENOENT);
        switch (op) {
        case FUSE_INIT: {
            const auto *init = reinterpret_cast<const fuse_init_in *>(arg);
            fuse_init_out out{};
            out.major = FUSE_KERNEL_VERSION;
            out.minor = std::min<uint32_t>(init->minor, FUSE_KERNEL_MINOR_VERSION);
            out.max_readahead = init->max_readahead;
            // Listings come with their entries' attributes, as sshfs's own cache gives them.
            out.flags = init->flags
                        & (FUSE_ASYNC_READ | FUSE_ASYNC_DIO | FUSE_BIG_WRITES | FUSE_PARALLEL_DIROPS | FUSE_DO_READDIRPLUS);
            out.max_background = 64;
            out.congestion_threshold = 48;
            out.max_write = MaxWrite;
            out.time_gran = 1;
            return Reply(unique, out);
        }
        case FUSE_DESTROY:
            return Reply(unique, 0);
        case FUSE_LOOKUP: {
            fuse_entry_out entry;
            const int error = Entry(Join(path, arg), entry);
            return error ? Reply(unique, error) : Reply(unique, entry);
        }
        case FUSE_GETATTR: {
            const auto *get = reinterpret_cast<const fuse_getattr_in *>(arg);
            fuse_attr_out out;
            if ((get->getattr_flags & FUSE_GETATTR_FH) != 0) {
                struct stat info;
                if (::fstat(int(get->fh), &info) != 0)
                    return Reply(unique, errno);
                std::memset(&out, 0, sizeof out);
                out.attr_valid = 1;
                Attr(info, out.attr);
                return Reply(unique, out);
            }
            const int error = AttrOut(path, out);
            return error ? Reply(unique, error) : Reply(unique, out);
        }
        case FUSE_SETATTR: {
            const auto *set = reinterpret_cast<const fuse_setattr_in *>(arg);
            const std::string real = Real(path);
            int error = 0;
            if ((set->valid & FATTR_MODE) && ::chmod(real.c_str(), set->mode & 07777) != 0)
                error = errno;
            if (!error && (set->valid & (FATTR_UID | FATTR_GID))
                && ::lchown(real.c_str(), (set->valid & FATTR_UID) ? set->uid : uid_t(-1),
                            (set->valid & FATTR_GID) ? set->gid : gid_t(-1)) != 0)
                error = errno;
            if (!error && (set->valid & FATTR_SIZE)
                && ((set->valid & FATTR_FH) ? ::ftruncate(int(set->fh), off_t(set->size))
                                            : ::truncate(real.c_str(), off_t(set->size))) != 0)
                error = errno;
            if (!error && (set->valid & (FATTR_ATIME | FATTR_MTIME))) {
                struct timespec times[2];
                times[0].tv_nsec = UTIME_OMIT;
                times[1].tv_nsec = UTIME_OMIT;
                if (set->valid & FATTR_ATIME) {
                    times[0].tv_sec = time_t(set->atime);
                    times[0].tv_nsec = (set->valid & FATTR_ATIME_NOW) ? UTIME_NOW : long(set->atimensec);
                }
                if (set->valid & FATTR_MTIME) {
                    times[1].tv_sec = time_t(set->mtime);
                    times[1].tv_nsec = (set->valid & FATTR_MTIME_NOW) ? UTIME_NOW : long(set->mtimensec);
                }
                if (::utimensat(AT_FDCWD, real.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
                    error = errno;
            }
            fuse_attr_out out;
            if (!error)
                error = AttrOut(path, out);
            return error ? Reply(unique, error) : Reply(unique, out);
        }
        case FUSE_OPEN: {
            const auto *open = reinterpret_cast<const fuse_open_in *>(arg);
            const int fd = ::open(Real(path).c_str(), int(open->flags) & ~(O_CREAT | O_EXCL | O_NOCTTY | O_DIRECT));
            if (fd < 0)
                return Reply(unique, errno);
            fuse_open_out out{};
            out.fh = uint64_t(fd);
            return Reply(unique, out);
        }
        case FUSE_CREATE: {
            const auto *create = reinterpret_cast<const fuse_create_in *>(arg);
            const std::string made = Join(path, arg + sizeof(fuse_create_in));
            const int fd = ::open(Real(made).c_str(), int(create->flags & ~uint32_t(O_DIRECT)) | O_CREAT,
                                  mode_t(create->mode & ~create->umask));
            if (fd < 0)
                return Reply(unique, errno);
            struct
            {
                fuse_entry_out entry;
                fuse_open_out open;
            } out{};
            const int error = Entry(made, out.entry);
            if (error) {
                ::close(fd);
                return Reply(unique, error);
            }
            out.open.fh = uint64_t(fd);
            return Reply(unique, out);
        }
        case FUSE_READ: {
            const auto *read = reinterpret_cast<const fuse_read_in *>(arg);
            std::vector<char> data(read->size);
            const ssize_t got = ::pread(int(read->fh), data.data(), data.size(), off_t(read->offset));
            if (got < 0)
                return Reply(unique, errno);
            return Reply(unique, 0, data.data(), std::size_t(got));
        }
        case FUSE_WRITE: {
            const auto *write = reinterpret_cast<const fuse_write_in *>(arg);
            const ssize_t put = ::pwrite(int(write->fh), arg + sizeof(fuse_write_in), write->size, off_t(write->offset));
            if (put < 0)
                return Reply(unique, errno);
            fuse_write_out out{};
            out.size = uint32_t(put);
            return Reply(unique, out);
        }
        case FUSE_FLUSH:
            return Reply(unique, 0);
        case FUSE_FSYNC:
        case FUSE_FSYNCDIR: {
            const auto *sync = reinterpret_cast<const fuse_fsync_in *>(arg);
            return Reply(unique, op == FUSE_FSYNC && ::fsync(int(sync->fh)) != 0 ? errno : 0);
        }
        case FUSE_RELEASE: {
            const auto *release = reinterpret_cast<const fuse_release_in *>(arg);
            ::close(int(release->fh));
            return Reply(unique, 0);
        }
        case FUSE_OPENDIR: {
            DIR *dir = ::opendir(Real(path).c_str());
            if (!dir)
                return Reply(unique, errno);
            auto *entries = new std::vector<std::pair<std::string, unsigned char>>();
            while (const dirent *entry = ::readdir(dir))
                entries->emplace_back(entry->d_name, entry->d_type);
            ::closedir(dir);
            fuse_open_out out{};
            out.fh = reinterpret_cast<uint64_t>(entries);
            return Reply(unique, out);
        }
        case FUSE_READDIR:
        case FUSE_READDIRPLUS: {
            const auto *read = reinterpret_cast<const fuse_read_in *>(arg);
            const auto *entries = reinterpret_cast<const std::vector<std::pair<std::string, unsigned char>> *>(read->fh);
            const bool plus = op == FUSE_READDIRPLUS;
            const std::size_t offset = plus ? FUSE_NAME_OFFSET_DIRENTPLUS : FUSE_NAME_OFFSET;
            std::vector<char> out;
            for (std::size_t i = std::size_t(read->offset); i < entries->size(); ++i) {
                const auto &[name, type] = (*entries)[i];
                const std::size_t length = FUSE_DIRENT_ALIGN(offset + name.size());
                if (out.size() + length > read->size)
                    break;
                std::vector<char> record(length, 0);
                if (plus && name != "." && name != "..") {
                    fuse_entry_out entry;
                    if (Entry(Join(path, name.c_str()), entry) == 0)
                        std::memcpy(record.data(), &entry, sizeof entry);
                }
                auto *dirent = reinterpret_cast<fuse_dirent *>(record.data() + (plus ? sizeof(fuse_entry_out) : 0));
                dirent->ino = 0xffffffff;
                dirent->off = i + 1;
                dirent->namelen = uint32_t(name.size());
                dirent->type = type;
                std::memcpy(record.data() + offset, name.data(), name.size());
                out.insert(out.end(), record.begin(), record.end());
            }
            return Reply(unique, 0, out.data(), out.size());
        }
        case FUSE_RELEASEDIR: {
            const auto *release = reinterpret_cast<const fuse_release_in *>(arg);
            delete reinterpret_cast<std::vector<std::pair<std::string, unsigned char>> *>(release->fh);
            return Reply(unique, 0);
        }
        case FUSE_STATFS: {
            struct statvfs disk;
            if (::statvfs(Real(path).c_str(), &disk) != 0)
                return Reply(unique, errno);
            fuse_statfs_out out{};
            out.st.blocks = disk.f_blocks;
            out.st.bfree = disk.f_bfree;
            out.st.bavail = disk.f_bavail;
            out.st.files = disk.f_files;
            out.st.ffree = disk.f_ffree;
            out.st.bsize = uint32_t(disk.f_bsize);
            out.st.namelen = uint32_t(disk.f_namemax);
            out.st.frsize = uint32_t(disk.f_frsize);
            return Reply(unique, out);
        }
        case FUSE_MKDIR: {
            const auto *mkdir = reinterpret_cast<const fuse_mkdir_in *>(arg);
            const std::string made = Join(path, arg + sizeof(fuse_mkdir_in));
            if (::mkdir(Real(made).c_str(), mode_t(mkdir->mode & ~mkdir->umask)) != 0)
                return Reply(unique, errno);
            fuse_entry_out entry;
            const int error = Entry(made, entry);
            return error ? Reply(unique, error) : Reply(unique, entry);
        }
        case FUSE_UNLINK:
        case FUSE_RMDIR: {
            const std::string gone = Join(path, arg);
            const int result = op == FUSE_UNLINK ? ::unlink(Real(gone).c_str()) : ::rmdir(Real(gone).c_str());
            if (result != 0)
                return Reply(unique, errno);
            Renamed(std::string(), gone); // its node loses its name
            return Reply(unique, 0);
        }
        case FUSE_RENAME:
        case FUSE_RENAME2: {
            uint64_t newDir = 0;
            uint32_t flags = 0;
            const char *names = nullptr;
            if (op == FUSE_RENAME) {
                newDir = reinterpret_cast<const fuse_rename_in *>(arg)->newdir;
                names = arg + sizeof(fuse_rename_in);
            } else {
                const auto *rename = reinterpret_cast<const fuse_rename2_in *>(arg);
                newDir = rename->newdir;
                flags = rename->flags;
                names = arg + sizeof(fuse_rename2_in);
            }
            const std::string from = Join(path, names);
            const std::string to = Join(PathOf(newDir), names + std::strlen(names) + 1);
            if (::renameat2(AT_FDCWD, Real(from).c_str(), AT_FDCWD, Real(to).c_str(), flags) != 0)
                return Reply(unique, errno);
            Renamed(from, to);
            return Reply(unique, 0);
        }
        case FUSE_LINK: {
            const auto *link = reinterpret_cast<const fuse_link_in *>(arg);
            const std::string made = Join(path, arg + sizeof(fuse_link_in));
            if (::link(Real(PathOf(link->oldnodeid)).c_str(), Real(made).c_str()) != 0)
                return Reply(unique, errno);
            fuse_entry_out entry;
            const int error = Entry(made, entry);
            return error ? Reply(unique, error) : Reply(unique, entry);
        }
        default:
            return Reply(unique, ENOSYS);
        }
    }

    std::string FFolder;
    int FFuse;
    int FDelay;
    std::mutex FLock;
    std::map<uint64_t, std::string> FPaths;
    std::map<std::string, uint64_t> FNodes;
    uint64_t FNext = FUSE_ROOT_ID + 1;
};

// Mounts `folder` at `mountPoint` (both existing, absolute) and serves until it is unmounted;
// false when it cannot be mounted (errno says why).
inline bool Serve(const std::string &folder, const std::string &mountPoint, int roundTripMs)
{
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0)
        return false;
    const std::string options = "fd=" + std::to_string(fuse)
                                + ",rootmode=40000,user_id=0,group_id=0,allow_other,default_permissions";
    if (::mount("relay", mountPoint.c_str(), "fuse.relay", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        ::close(fuse);
        return false;
    }
    TServer(folder, fuse, roundTripMs).Run(16);
    ::close(fuse);
    return true;
}

} // namespace ShareRelay
