#include "platform/command_channel.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::size_t kMaxLine = 256;      // a request
constexpr std::size_t kMaxAnswer = 16384;  // an answer, which may name a file
// An answer comes when the still is taken, or when the user has read why it was not.
constexpr auto kAnswerPatience = std::chrono::minutes(10);
// Out of file descriptors, a pending connection stays in the queue and the socket stays readable:
// accepting rests this long instead of spinning, while connections close and free descriptors.
constexpr auto kAcceptPause = std::chrono::milliseconds(200);
// How often a client asks again while the program's queue of connections is full.
constexpr auto kConnectRetry = std::chrono::milliseconds(20);

std::string SystemError(const std::string& what, int error) { return what + ": " + std::strerror(error); }

bool IsPrivateFolderOfOurs(const std::string& folder) {
  struct stat info = {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
         (info.st_mode & 077) == 0;
}

// "vorlix" in the user's cache folder, made private. A shared folder such as /tmp would let another
// user make the name first.
std::string PrivateCacheFolder(std::string* why) {
  std::string cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/') {
    cache = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    cache = std::string(home) + "/.cache";
  } else {
    if (why) *why = "there is no private XDG_RUNTIME_DIR and no home folder";
    return {};
  }
  std::error_code ignored;  // a failure shows in the checks below
  std::filesystem::create_directories(cache, ignored);
  const std::string folder = cache + "/vorlix";
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    if (why) *why = SystemError("cannot make the folder " + folder, errno);
    return {};
  }
  // Ours but readable by others (made by hand, say): ours to close.
  struct stat info = {};
  if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()) {
    ::chmod(folder.c_str(), 0700);
  }
  if (!IsPrivateFolderOfOurs(folder)) {
    if (why) *why = folder + " is not a private folder of this user";
    return {};
  }
  return folder;
}

// The display's name without its screen: ":1" and ":1.0" are the same desktop.
std::string DisplayName() {
  std::string name;
  if (const char* x = std::getenv("DISPLAY"); x && *x) {
    name = x;
    const std::size_t colon = name.rfind(':');
    const std::size_t dot = name.find('.', colon == std::string::npos ? 0 : colon);
    if (colon != std::string::npos && dot != std::string::npos) name.erase(dot);
  } else if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland) {
    name = wayland;
  } else {
    name = "default";
  }
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return name;
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool PeerIsThisUser(int fd) {
  ucred credentials = {};
  socklen_t size = sizeof(credentials);
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == ::getuid();
}

// The lock beside the socket: held by the program that listens, for as long as it runs.
int OpenLock(const std::string& socketPath) {
  return ::open((socketPath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

bool IsSocketOfOurs(const std::string& path, bool* exists = nullptr) {
  struct stat info = {};
  const bool found = ::lstat(path.c_str(), &info) == 0;
  if (exists) *exists = found;
  return found && S_ISSOCK(info.st_mode) && info.st_uid == ::getuid();
}

// Removes a socket nobody listens at; one whose program is just starting is left to it.
void RemoveIfAbandoned(const std::string& path) {
  const int lock = OpenLock(path);
  if (lock < 0) return;
  if (::flock(lock, LOCK_EX | LOCK_NB) == 0 && IsSocketOfOurs(path)) ::unlink(path.c_str());
  ::close(lock);
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd wait = {fd, POLLOUT, 0};
      ::poll(&wait, 1, 1000);
      continue;
    }
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string CommandSocketPath(std::string* why) {
  std::string folder;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && IsPrivateFolderOfOurs(runtime)) {
    folder = runtime;
  } else {
    folder = PrivateCacheFolder(why);
    if (folder.empty()) return {};
  }
  const std::string path = folder + "/vorlix-" + DisplayName() + ".socket";
  sockaddr_un address;
  if (!MakeAddress(path, address)) {
    if (why) *why = "the socket path " + path + " is too long";
    return {};
  }
  return path;
}

struct CommandListener::Connection {
  std::uint64_t order = 0;  // in the order accepted: smaller has waited longer
  std::unique_ptr<QSocketNotifier> notifier;
  std::unique_ptr<QTimer> idle;  // closes a connection that sends no request in time
  std::string received;
  bool answering = false;  // its whole request is in; never let go of
};

CommandListener::CommandListener(QObject* parent) : QObject(parent) {}

CommandListener::~CommandListener() {
  for (auto& [fd, connection] : connections_) ::close(fd);
  connections_.clear();
  listenNotifier_.reset();
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(path_.c_str());
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

bool CommandListener::Listen(const std::string& path, CommandHandler handler) {
  sockaddr_un address;
  if (listenFd_ >= 0 || !MakeAddress(path, address)) {
    error_ = "cannot listen at " + path;
    return false;
  }
  lockFd_ = OpenLock(path);
  if (lockFd_ < 0) {
    error_ = SystemError("cannot open the lock of " + path, errno);
    return false;
  }
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    error_ = "another program listens at " + path;
    ::close(lockFd_);
    lockFd_ = -1;
    return false;
  }
  // We hold the lock, so a socket under the name is one whose program has ended.
  bool exists = false;
  if (IsSocketOfOurs(path, &exists)) ::unlink(path.c_str());
  else if (exists) {
    error_ = path + " is not a socket of this user";
    return Unlock();
  }
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::chmod(path.c_str(), 0600) != 0 || ::listen(listenFd_, 16) != 0) {
    error_ = SystemError("cannot listen at " + path, errno);
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    return Unlock();
  }
  path_ = path;
  handler_ = std::move(handler);
  listenNotifier_ = std::make_unique<QSocketNotifier>(listenFd_, QSocketNotifier::Read);
  connect(listenNotifier_.get(), &QSocketNotifier::activated, this, [this] { Accept(); });
  return true;
}

bool CommandListener::Unlock() {
  ::close(lockFd_);
  lockFd_ = -1;
  return false;
}

void CommandListener::Accept() {
  // A bounded round: a flood of connections must not keep the event loop here.
  for (std::size_t round = 0; round < kMaxConnections; ++round) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) PauseAccepting();
      return;  // nothing more waiting (or a connection gone before it was taken)
    }
    if (!PeerIsThisUser(fd)) {
      ::close(fd);
      continue;
    }
    if (connections_.size() >= kMaxConnections) LetGoOfLongestWaiting();
    if (connections_.size() >= kMaxConnections) {
      ::close(fd);
      continue;
    }
    auto connection = std::make_unique<Connection>();
    connection->order = nextOrder_++;
    connection->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(connection->notifier.get(), &QSocketNotifier::activated, this, [this, fd] { Read(fd); });
    connection->idle = std::make_unique<QTimer>();
    connection->idle->setSingleShot(true);
    connect(connection->idle.get(), &QTimer::timeout, this, [this, fd] { Drop(fd); });
    connection->idle->start(kIdleLimit);
    Connection& accepted = *connection;
    connections_[fd] = std::move(connection);
    // A client sends its request as it connects: taken now, it is safe from the next round's
    // letting go, and answered once this round is over.
    if (!Receive(accepted, fd)) {
      Drop(fd);
      continue;
    }
    if (HasRequest(accepted)) {
      accepted.answering = true;
      accepted.notifier->setEnabled(false);
      QTimer::singleShot(0, this, [this, fd, order = accepted.order] {
        const auto found = connections_.find(fd);
        if (found != connections_.end() && found->second->order == order) Answer(fd);
      });
    }
  }
}

void CommandListener::PauseAccepting() {
  listenNotifier_->setEnabled(false);
  QTimer::singleShot(kAcceptPause, this, [this] { listenNotifier_->setEnabled(true); });
}

void CommandListener::LetGoOfLongestWaiting() {
  auto oldest = connections_.end();
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (it->second->answering) continue;
    if (oldest == connections_.end() || it->second->order < oldest->second->order) oldest = it;
  }
  if (oldest != connections_.end()) Drop(oldest->first);
}

bool CommandListener::HasRequest(const Connection& connection) {
  return connection.received.find('\n') != std::string::npos;
}

bool CommandListener::Receive(Connection& connection, int fd) {
  char buffer[kMaxLine];
  while (!HasRequest(connection)) {
    const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) return false;
    connection.received.append(buffer, static_cast<std::size_t>(n));
    if (!HasRequest(connection) && connection.received.size() > kMaxLine) return false;
  }
  return true;
}

void CommandListener::Read(int fd) {
  const auto found = connections_.find(fd);
  if (found == connections_.end()) return;
  if (!Receive(*found->second, fd)) return Drop(fd);
  if (HasRequest(*found->second)) Answer(fd);
}

void CommandListener::Answer(int fd) {
  Connection& connection = *connections_.at(fd);
  // The handler may run the event loop: this connection must not be read, timed out or let go of
  // meanwhile.
  connection.answering = true;
  connection.notifier->setEnabled(false);
  connection.idle->stop();
  const std::string& received = connection.received;
  const std::string answer = handler_(received.substr(0, received.find('\n')));
  WriteAll(fd, answer + "\n");
  Drop(fd);
}

void CommandListener::Drop(int fd) {
  const auto found = connections_.find(fd);
  if (found == connections_.end()) return;
  // Called from the notifier's or the timer's own signal: they go once the event loop is back.
  QSocketNotifier* notifier = found->second->notifier.release();
  notifier->setEnabled(false);
  notifier->deleteLater();
  QTimer* idle = found->second->idle.release();
  idle->stop();
  idle->deleteLater();
  connections_.erase(found);
  ::close(fd);
}

AskResult AskRunningProgram(const std::string& path, const std::string& request) {
  using Outcome = AskResult::Outcome;
  bool exists = false;
  if (!IsSocketOfOurs(path, &exists)) {
    if (!exists) return {Outcome::NobodyListening, {}, {}};
    return {Outcome::NotOurs, {}, path + " is not a socket of this user; it is not used"};
  }
  sockaddr_un address;
  if (!MakeAddress(path, address)) return {Outcome::Failed, {}, "the socket path " + path + " is too long"};
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return {Outcome::Failed, {}, SystemError("cannot make a socket", errno)};
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  // Without a time limit, connect would wait for ever on a program whose queue is full.
  const auto connectDeadline = std::chrono::steady_clock::now() + kConnectPatience;
  while (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    if (error == EAGAIN) {
      if (std::chrono::steady_clock::now() >= connectDeadline) {
        return {Outcome::Failed, {}, "the running program takes no connection now (too many are waiting)"};
      }
      std::this_thread::sleep_for(kConnectRetry);
      continue;
    }
    if (error == ECONNREFUSED || error == ENOENT) {
      RemoveIfAbandoned(path);
      return {Outcome::NobodyListening, {}, {}};
    }
    return {Outcome::Failed, {}, SystemError("cannot connect to " + path, error)};
  }
  if (!PeerIsThisUser(fd)) return {Outcome::NotOurs, {}, "the program at " + path + " is not this user's"};
  if (!WriteAll(fd, request + "\n")) return {Outcome::Failed, {}, SystemError("cannot send the request", errno)};

  std::string received;
  const auto deadline = std::chrono::steady_clock::now() + kAnswerPatience;
  while (received.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return {Outcome::Failed, {}, "no answer from the running program"};
    pollfd wait = {fd, POLLIN, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return {Outcome::Failed, {}, SystemError("cannot wait for the answer", errno)};
    if (ready == 0) continue;
    char buffer[kMaxLine];
    const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return {Outcome::Failed, {}, "the running program ended without an answer"};
    received.append(buffer, static_cast<std::size_t>(n));
    if (received.size() > kMaxAnswer) return {Outcome::Failed, {}, "the running program's answer is too long"};
  }
  return {Outcome::Answered, received.substr(0, received.find('\n')), {}};
}

}  // namespace platform
