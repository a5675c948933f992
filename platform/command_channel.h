#pragma once
// A local socket through which a later command of the same user on the same display reaches the
// running program: one request line in, one answer line out. Only the user's own processes may
// use it, on both sides; a socket left behind by a program that ended is replaced or removed.
#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;

namespace platform {

// Where the socket of this user and display lives: "vorlix-<display>.socket" in $XDG_RUNTIME_DIR
// when that folder is ours and private, else in the private folder "vorlix" of the user's cache
// folder ($XDG_CACHE_HOME, or ~/.cache), which no other user can have made first. Empty, with
// `why` set, when no such place can be had.
std::string CommandSocketPath(std::string* why = nullptr);

// Answers a request line (without its line end) with an answer line. Runs on the UI thread, and
// may run the event loop: a request that arrives meanwhile is answered inside it.
using CommandHandler = std::function<std::string(const std::string& request)>;

// Serves requests on the UI thread. Another process of the user can open connections without end
// and never send: at most kMaxConnections are held, the one that waited longest without sending
// is let go for a newer one, a connection that sends no request within kIdleLimit is closed, and
// accepting pauses for a moment when the process is out of file descriptors.
class CommandListener : public QObject {
 public:
  static constexpr std::size_t kMaxConnections = 16;
  static constexpr std::chrono::milliseconds kIdleLimit{3000};

  explicit CommandListener(QObject* parent = nullptr);
  ~CommandListener() override;  // removes the socket

  // Listens at `path`. False when another live program listens there already, or when the socket
  // cannot be made; Error() says which.
  bool Listen(const std::string& path, CommandHandler handler);
  const std::string& Error() const { return error_; }

 private:
  struct Connection;
  bool Unlock();  // gives the name up after a failed Listen; false
  void Accept();
  void PauseAccepting();
  void LetGoOfLongestWaiting();
  static bool HasRequest(const Connection& connection);
  // Takes what has arrived, up to a whole request; false when the connection is over.
  static bool Receive(Connection& connection, int fd);
  void Read(int fd);
  void Answer(int fd);
  void Drop(int fd);

  std::string path_;
  int listenFd_ = -1;
  int lockFd_ = -1;  // held while listening: whoever holds it owns the socket's name
  std::unique_ptr<QSocketNotifier> listenNotifier_;
  std::map<int, std::unique_ptr<Connection>> connections_;
  std::uint64_t nextOrder_ = 0;
  CommandHandler handler_;
  std::string error_;
};

struct AskResult {
  enum class Outcome { Answered, NobodyListening, NotOurs, Failed };
  Outcome outcome = Outcome::Failed;
  std::string answer;  // Answered: the answer line without its line end
  std::string why;     // NotOurs, Failed: what went wrong
};

// Sends `request` to the program listening at `path` and waits for its answer. A socket whose
// program has ended is removed and counts as nobody listening; a socket or program not of this
// user is never used (NotOurs). A program that takes no connection within kConnectPatience (its
// queue is full) is Failed, not waited for.
inline constexpr std::chrono::milliseconds kConnectPatience{5000};
AskResult AskRunningProgram(const std::string& path, const std::string& request);

}  // namespace platform
