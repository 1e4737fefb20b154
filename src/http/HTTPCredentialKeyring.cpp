#include "http/HTTPCredentialKeyring.h"

#include <libsecret/secret.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "http/ASIHTTPRequest.h"
#include "platform/Log.h"

namespace td {
namespace {

const SecretSchema& schema() {
  static const SecretSchema made = [] {
    SecretSchema s{};
    s.name = "org.tarnwickdesk.HTTPCredentials";
    s.flags = SECRET_SCHEMA_NONE;
    s.attributes[0] = {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {"host", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[2] = {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER};
    s.attributes[3] = {"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[4] = {"realm", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[5] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return s;
  }();
  return made;
}

struct HashTableUnref {
  void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
using Attributes = std::unique_ptr<GHashTable, HashTableUnref>;

// The attributes that name the space (all but "user"); the table owns its strings.
Attributes attributesOf(const HTTPProtectionSpace& space) {
  Attributes table(g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free));
  g_hash_table_insert(table.get(), const_cast<char*>("kind"), g_strdup(space.proxy ? "proxy" : "server"));
  g_hash_table_insert(table.get(), const_cast<char*>("host"), g_strdup(space.host.c_str()));
  g_hash_table_insert(table.get(), const_cast<char*>("port"), g_strdup(std::to_string(space.port).c_str()));
  g_hash_table_insert(table.get(), const_cast<char*>("protocol"), g_strdup(space.protocol.c_str()));
  g_hash_table_insert(table.get(), const_cast<char*>("realm"), g_strdup(space.realm.c_str()));
  return table;
}

// A failure that says the service is not there at all (as opposed to one that timed out).
bool serviceMissing(const GError* error) {
  return !g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY) &&
         !g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_TIMEOUT) &&
         !g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_TIMED_OUT) &&
         !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT) &&
         !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

// The first item with a user name and a readable password.
std::optional<HTTPCredentials> credentialsIn(GList* items) {
  for (GList* node = items; node; node = node->next) {
    auto* item = static_cast<SecretItem*>(node->data);
    SecretValue* secret = secret_item_get_secret(item);
    if (!secret) continue;
    Attributes attributes(secret_item_get_attributes(item));
    const char* password = secret_value_get_text(secret);
    const auto* user = static_cast<const char*>(g_hash_table_lookup(attributes.get(), "user"));
    std::optional<HTTPCredentials> found;
    if (user && password) found = HTTPCredentials{user, password, std::nullopt};
    secret_value_unref(secret);
    if (found) return found;
  }
  return std::nullopt;
}

struct Outcome {
  std::optional<HTTPCredentials> found;
  bool serviceAnswers = false;
};

// What a removal takes out of a space: whatever it holds, or only some credentials (those that were
// refused).
struct Removal {
  // More refused credentials than this for one space, and the removal takes whatever the space holds.
  static constexpr std::size_t maxListed = 8;

  bool any = true;
  std::vector<HTTPCredentials> holding;  // when not `any`

  bool covers(const HTTPCredentials& credentials) const {
    return any || std::find(holding.begin(), holding.end(), credentials) != holding.end();
  }
  // Also takes what `other` takes.
  void widen(const Removal& other) {
    if (any) return;
    if (other.any) {
      *this = other;
      return;
    }
    for (const HTTPCredentials& credentials : other.holding)
      if (!covers(credentials)) holding.push_back(credentials);
    if (holding.size() > maxListed) *this = Removal{};
  }
};

struct Call {
  enum class Kind { probe, find, save, remove } kind;
  HTTPProtectionSpace space;
  std::optional<HTTPCredentials> credentials;  // save: what to save
  Removal removal;                             // remove: what goes
  std::function<void(const Outcome&)> reply;
  bool owed = false;  // a write kept from a time the service did not answer, made now
};

// The keyring's thread: a GLib main loop of its own, on which every libsecret call is made and
// answered. Calls run one at a time, in the order they were submitted, so that a lookup finds what
// an earlier save left.
//
// A save or a removal that the service could not take (it missed a deadline, or it rests) is owed
// to it: the last one per space is kept and made before the next call that asks the service, and
// until then a lookup of the space answers as if it had been made. When the process ends, the calls
// already submitted and the owed writes get one more deadline (resting or not); then the thread ends.
class KeyringThread {
 public:
  static KeyringThread& instance() {
    static KeyringThread* made = [] {
      // Never destroyed, so that a call made while the process ends (from another thread, or a
      // static's destructor) still finds it. Its thread ends at exit, after the statics made after
      // it are destroyed and before those made before it: so what the thread touches is its own
      // or never destroyed (the log), never another static.
      auto* keyring = new KeyringThread();
      std::atexit([] { instance().stop(); });
      return keyring;
    }();
    return *made;
  }

  // Any thread. Returns how many calls are ahead of this one. Once the process ends, the call is
  // answered at once (nothing found, nothing written).
  std::size_t submit(Call call) {
    {
      std::lock_guard lock(mutex_);
      if (!stopping_) {
        const std::size_t ahead = queue_.size() + (running_ ? 1 : 0);
        queue_.push_back(std::move(call));
        scheduleLocked();
        return ahead;
      }
    }
    if (call.reply) call.reply(Outcome{});
    return 0;
  }

  HTTPCredentialKeyring::Timing timing() const {
    std::lock_guard lock(mutex_);
    return timing_;
  }
  void setTiming(HTTPCredentialKeyring::Timing timing) {
    std::lock_guard lock(mutex_);
    timing_ = timing;
    restUntil_.reset();
  }

  // At exit: waits at most one deadline for the calls submitted so far and the owed writes, then
  // ends the thread.
  void stop() {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      stopping_ = true;
      restUntil_.reset();  // the last chance to hand the service what it is owed
      owedMissed_ = false;
      GSource* timer = g_timeout_source_new(static_cast<guint>(timing_.deadline.count()));
      g_source_set_callback(timer, &KeyringThread::endOfProcessThunk, this, nullptr);
      g_source_attach(timer, context_);
      g_source_unref(timer);
      scheduleLocked();
    }
    // exit() called from an answer on the keyring's thread: nothing else runs it from here on.
    if (thread_.get_id() == std::this_thread::get_id()) return;
    thread_.join();
  }

 private:
  struct Running {
    std::uint64_t id = 0;
    Call call;
    HTTPCredentialKeyring::Timing timing;
    GCancellable* cancellable = g_cancellable_new();
    GSource* deadline = nullptr;
    ~Running() {
      if (deadline) {
        g_source_destroy(deadline);
        g_source_unref(deadline);
      }
      g_object_unref(cancellable);
    }
  };

  // A write the service is owed: a save (`credentials`) or a removal.
  struct Owed {
    std::optional<HTTPCredentials> credentials;
    Removal removal;
    std::uint64_t made = 0;  // order of the last change, for dropping the oldest
  };
  static constexpr std::size_t maxOwed = 256;

  KeyringThread() : context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)) {
    thread_ = std::thread([this] {
      g_main_context_push_thread_default(context_);
      g_main_loop_run(loop_);
      if (!owed_.empty())
        TD_LOG_WARN("Secret service: " + std::to_string(owed_.size()) +
                    " change(s) of saved credentials not written before the end");
      g_main_context_pop_thread_default(context_);
    });
  }

  // Under mutex_: makes sure startNext() runs.
  void scheduleLocked() {
    if (scheduled_) return;
    scheduled_ = true;
    GSource* idle = g_idle_source_new();
    g_source_set_callback(idle, &KeyringThread::startNextThunk, this, nullptr);
    g_source_attach(idle, context_);
    g_source_unref(idle);
  }

  static gboolean startNextThunk(gpointer self) {
    static_cast<KeyringThread*>(self)->startNext();
    return G_SOURCE_REMOVE;
  }

  // ---- keyring thread from here on

  // Runs the waiting calls: those that need no answer from the service at once, then the first that
  // does, which goes on when the service answers or its deadline passes. Owed writes go before a
  // call whenever the service may be asked; when one misses, the call goes on (the owed writes are
  // tried again before the next).
  void startNext() {
    for (;;) {
      Call call;
      HTTPCredentialKeyring::Timing timing;
      bool mayAsk = false;
      {
        std::lock_guard lock(mutex_);
        running_ = false;
        mayAsk = service_ != Service::missing && !endPassed_ &&
                 !(restUntil_ && std::chrono::steady_clock::now() < *restUntil_);
        if (mayAsk && !owed_.empty() && !owedMissed_ && (!queue_.empty() || stopping_)) {
          call = owedCall();
        } else if (!queue_.empty()) {
          call = std::move(queue_.front());
          queue_.pop_front();
          owedMissed_ = false;
        } else {
          scheduled_ = false;
          if (stopping_) g_main_loop_quit(loop_);
          return;
        }
        timing = timing_;
        running_ = true;
      }
      if (!call.owed && answeredAtOnce(call, mayAsk)) continue;
      current_ = std::make_unique<Running>();
      current_->id = ++lastID_;
      current_->call = std::move(call);
      current_->timing = timing;
      armDeadline();
      if (service_ == Service::unknown) connect();
      else act();
      return;
    }
  }

  std::map<HTTPProtectionSpace, Owed>::const_iterator oldestOwed() const {
    return std::min_element(owed_.begin(), owed_.end(),
                            [](const auto& a, const auto& b) { return a.second.made < b.second.made; });
  }

  // The oldest owed write, as a call (it stays owed until the service has taken it).
  Call owedCall() const {
    auto oldest = oldestOwed();
    const Owed& owed = oldest->second;
    return Call{owed.credentials ? Call::Kind::save : Call::Kind::remove, oldest->first, owed.credentials,
                owed.removal, {}, true};
  }

  void beginRest(const Running& missed) {
    std::lock_guard lock(mutex_);
    restUntil_ = std::chrono::steady_clock::now() + missed.timing.restAfterMiss;
  }

  // Answers the call when memory or the service's state settles it; false when the service must be
  // asked. A call for a space with an owed write is answered from memory and its write is owed too,
  // so that the writes of a space reach the service in the order they were made.
  bool answeredAtOnce(Call& call, bool mayAsk) {
    if (call.kind == Call::Kind::find) {
      if (auto it = memory_.find(call.space); it != memory_.end()) {
        reply(call, Outcome{it->second, service_ == Service::connected});
        return true;
      }
    } else if (call.kind == Call::Kind::remove) {
      if (auto it = memory_.find(call.space); it != memory_.end() && call.removal.covers(it->second))
        memory_.erase(it);
    }
    if (!mayAsk || (call.kind != Call::Kind::probe && owed_.count(call.space))) {
      // A lookup of a space whose removal is owed finds nothing, as it will once it is made.
      keepWithoutService(call);
      reply(call, Outcome{});
      return true;
    }
    if (call.kind == Call::Kind::probe && service_ == Service::connected) {
      reply(call, Outcome{std::nullopt, true});
      return true;
    }
    return false;
  }

  void reply(Call& call, const Outcome& outcome) {
    if (call.reply) call.reply(outcome);
  }

  // What a call keeps when the service does not take it: a save, in memory; and while the service
  // is there (it missed a deadline, or rests), the write is owed to it.
  void keepWithoutService(const Call& call) {
    if (call.kind == Call::Kind::save && call.credentials) memory_[call.space] = *call.credentials;
    if (call.owed || service_ == Service::missing) return;
    if (call.kind == Call::Kind::save) {
      owe(call.space, Owed{call.credentials, {}, 0});
    } else if (call.kind == Call::Kind::remove) {
      auto it = owed_.find(call.space);
      if (it == owed_.end()) {
        owe(call.space, Owed{std::nullopt, call.removal, 0});
      } else if (!it->second.credentials) {
        it->second.removal.widen(call.removal);
        it->second.made = ++lastOwed_;
      } else if (call.removal.covers(*it->second.credentials)) {
        // The owed save would have replaced whatever the space held, and this takes it out: the
        // space ends empty, whatever it holds now.
        owe(call.space, Owed{});
      }
      // An owed save that the removal does not cover replaces whatever the space holds anyway.
    }
  }

  // Keeps `owed` as the last write for the space; beyond the bound the oldest other one goes.
  void owe(const HTTPProtectionSpace& space, Owed owed) {
    owed.made = ++lastOwed_;
    owed_[space] = std::move(owed);
    if (owed_.size() <= maxOwed) return;
    auto oldest = oldestOwed();
    TD_LOG_WARN("Secret service: more than " + std::to_string(maxOwed) +
                " changes of saved credentials wait for it; the oldest, for " + oldest->first.host + ", is dropped");
    owed_.erase(oldest);
  }

  // Ends the running call with its answer, and starts the next.
  void finish(Outcome outcome) {
    std::unique_ptr<Running> done = std::move(current_);
    reply(done->call, outcome);
    done.reset();
    startNext();
  }

  // Ends the running write once the service has answered it: made, or refused with a line in the log.
  // A save that the service took no longer needs memory.
  void finishWritten(bool saved) {
    owed_.erase(current_->call.space);
    if (saved) memory_.erase(current_->call.space);
    finish(Outcome{std::nullopt, true});
  }

  // Ends the running save that the service refused: kept in memory instead.
  void finishRefused() {
    owed_.erase(current_->call.space);
    memory_[current_->call.space] = *current_->call.credentials;
    finish(Outcome{});
  }

  // Ends the running call as if the service were not there.
  void finishWithoutService() {
    if (current_->call.owed) {
      std::lock_guard lock(mutex_);
      owedMissed_ = true;
    }
    keepWithoutService(current_->call);
    finish(Outcome{});
  }

  // The running call, when `tag` is still its own; none for an answer that came after the deadline
  // (its error, if any, is dropped then).
  Running* stillRunning(gpointer tag, GError* error = nullptr) {
    if (current_ && current_->id == idOf(tag)) return current_.get();
    if (error) g_error_free(error);
    return nullptr;
  }

  gpointer tag() const { return reinterpret_cast<gpointer>(static_cast<std::uintptr_t>(current_->id)); }
  static std::uintptr_t idOf(gpointer tag) { return reinterpret_cast<std::uintptr_t>(tag); }

  void armDeadline() {
    current_->deadline = g_timeout_source_new(static_cast<guint>(current_->timing.deadline.count()));
    g_source_set_callback(current_->deadline, &KeyringThread::deadlinePassed, tag(), nullptr);
    g_source_attach(current_->deadline, context_);
  }

  static gboolean deadlinePassed(gpointer tag) {
    KeyringThread& self = instance();
    if (Running* running = self.stillRunning(tag)) {
      TD_LOG_WARN("Secret service: no answer within " + std::to_string(running->timing.deadline.count()) +
                  " ms; not asked again for " + std::to_string(running->timing.restAfterMiss.count()) + " ms");
      self.beginRest(*running);
      g_cancellable_cancel(running->cancellable);
      self.finishWithoutService();
    }
    return G_SOURCE_REMOVE;
  }

  // The process ends and the wait for the service is over: the running call ends as if it had
  // missed its deadline, and the rest are answered from memory.
  static gboolean endOfProcessThunk(gpointer self) {
    static_cast<KeyringThread*>(self)->endOfProcess();
    return G_SOURCE_REMOVE;
  }
  void endOfProcess() {
    {
      std::lock_guard lock(mutex_);
      endPassed_ = true;
    }
    if (!current_) return;
    TD_LOG_WARN("Secret service: no answer before the end of the process");
    g_cancellable_cancel(current_->cancellable);
    finishWithoutService();
  }

  void connect() {
    secret_service_get(SECRET_SERVICE_OPEN_SESSION, current_->cancellable, &KeyringThread::connected, tag());
  }

  static void connected(GObject*, GAsyncResult* result, gpointer tag) {
    KeyringThread& self = instance();
    GError* error = nullptr;
    SecretService* service = secret_service_get_finish(result, &error);
    Running* running = self.stillRunning(tag, error);
    if (!running) {
      if (service) g_object_unref(service);
      return;
    }
    if (error) {
      const bool missing = serviceMissing(error);
      self.failed(error, missing ? "not reachable; credentials are kept in memory only" : "no answer when connecting");
      if (missing) {
        self.service_ = Service::missing;
        self.owed_.clear();  // nobody to owe: the saves are in memory
      } else {
        self.beginRest(*running);
      }
      self.finishWithoutService();
      return;
    }
    self.service_ = Service::connected;
    self.secretService_ = service;  // kept for the life of the process
    self.act();
  }

  void act() {
    const Call& call = current_->call;
    if (call.kind == Call::Kind::probe) {
      finish(Outcome{std::nullopt, true});
    } else if (call.kind == Call::Kind::find || (call.kind == Call::Kind::remove && !call.removal.any)) {
      // A removal of named credentials reads what the space holds first.
      secret_service_search(secretService_, &schema(), attributesOf(call.space).get(), SECRET_SEARCH_LOAD_SECRETS,
                            current_->cancellable, &KeyringThread::searched, tag());
    } else {
      clearSpace();
    }
  }

  // Empties the running call's space in the service: a removal, or a save's first step.
  void clearSpace() {
    secret_service_clear(secretService_, &schema(), attributesOf(current_->call.space).get(), current_->cancellable,
                         &KeyringThread::cleared, tag());
  }

  static void searched(GObject*, GAsyncResult* result, gpointer tag) {
    KeyringThread& self = instance();
    GError* error = nullptr;
    GList* items = secret_service_search_finish(self.secretService_, result, &error);
    const std::optional<HTTPCredentials> found = credentialsIn(items);
    g_list_free_full(items, g_object_unref);
    Running* running = self.stillRunning(tag, error);
    if (!running) return;
    self.failed(error, "looking up credentials");
    if (running->call.kind == Call::Kind::find) {
      self.finish(Outcome{found, true});
    } else if (found && running->call.removal.covers(*found)) {
      self.clearSpace();
    } else {
      self.finishWritten(false);
    }
  }

  static void cleared(GObject*, GAsyncResult* result, gpointer tag) {
    KeyringThread& self = instance();
    GError* error = nullptr;
    secret_service_clear_finish(self.secretService_, result, &error);
    Running* running = self.stillRunning(tag, error);
    if (!running) return;
    if (running->call.kind == Call::Kind::remove) {
      self.failed(error, "removing credentials");
      self.finishWritten(false);
      return;
    }
    if (self.failed(error, "replacing credentials")) {
      self.finishRefused();
      return;
    }
    // One item per space: the credentials of another user went first.
    const HTTPCredentials& credentials = *running->call.credentials;
    const HTTPProtectionSpace& space = running->call.space;
    Attributes attributes = attributesOf(space);
    g_hash_table_insert(attributes.get(), const_cast<char*>("user"), g_strdup(credentials.username.c_str()));
    const std::string label = "TarnwickDesk: " + credentials.username + " at " + space.host + ":" +
                              std::to_string(space.port) + (space.realm.empty() ? "" : " (" + space.realm + ")");
    SecretValue* value = secret_value_new(credentials.password.c_str(), -1, "text/plain");
    secret_service_store(self.secretService_, &schema(), attributes.get(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                         value, running->cancellable, &KeyringThread::stored, tag);
    secret_value_unref(value);
  }

  static void stored(GObject*, GAsyncResult* result, gpointer tag) {
    KeyringThread& self = instance();
    GError* error = nullptr;
    secret_service_store_finish(self.secretService_, result, &error);
    Running* running = self.stillRunning(tag, error);
    if (!running) return;
    if (self.failed(error, "saving credentials")) {
      self.finishRefused();
      return;
    }
    self.finishWritten(true);
  }

  // Logs a failure of the secret service once per kind of operation; true when there was one.
  bool failed(GError* error, const char* what) {
    if (!error) return false;
    if (logged_.insert(what).second) TD_LOG_WARN(std::string("Secret service: ") + what + ": " + error->message);
    g_error_free(error);
    return true;
  }

  mutable std::mutex mutex_;
  std::deque<Call> queue_;
  bool scheduled_ = false;  // startNext() is due or a call is running
  bool running_ = false;
  bool stopping_ = false;     // the process ends: no more calls are taken
  bool endPassed_ = false;    // and the wait for the service is over
  bool owedMissed_ = false;   // an owed write missed its deadline since the last call was taken
  HTTPCredentialKeyring::Timing timing_;
  std::optional<std::chrono::steady_clock::time_point> restUntil_;  // after a miss
  GMainContext* context_;
  GMainLoop* loop_;
  std::thread thread_;

  // Keyring thread only.
  enum class Service { unknown, connected, missing } service_ = Service::unknown;
  SecretService* secretService_ = nullptr;
  std::unique_ptr<Running> current_;
  std::uint64_t lastID_ = 0;
  // Credentials kept where the secret service is missing, did not answer or refused them.
  std::map<HTTPProtectionSpace, HTTPCredentials> memory_;
  // The last write per space that the service did not take because it missed a deadline or rested.
  std::map<HTTPProtectionSpace, Owed> owed_;
  std::uint64_t lastOwed_ = 0;
  std::set<std::string> logged_;  // kinds of failure logged
};

// Submits the call and waits for its answer, at most the deadlines of the calls ahead of it, of an
// owed write that may go first, and its own (and a second more for the hand-overs).
Outcome callAndWait(Call call) {
  struct Waiter {
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<Outcome> outcome;
  };
  auto waiter = std::make_shared<Waiter>();
  call.reply = [waiter](const Outcome& outcome) {
    std::lock_guard lock(waiter->mutex);
    waiter->outcome = outcome;
    waiter->answered.notify_all();
  };
  KeyringThread& keyring = KeyringThread::instance();
  const auto deadline = keyring.timing().deadline;
  const std::size_t ahead = keyring.submit(std::move(call));
  std::unique_lock lock(waiter->mutex);
  waiter->answered.wait_for(lock, deadline * static_cast<int>(ahead + 2) + std::chrono::seconds(1),
                            [&] { return waiter->outcome.has_value(); });
  return waiter->outcome.value_or(Outcome{});
}

}  // namespace

void HTTPCredentialKeyring::setTiming(Timing timing) { KeyringThread::instance().setTiming(timing); }

void HTTPCredentialKeyring::find(const HTTPProtectionSpace& space, Found found) {
  KeyringThread::instance().submit(Call{Call::Kind::find, space, std::nullopt, {},
                                        [found = std::move(found)](const Outcome& outcome) {
                                          if (found) found(outcome.found);
                                        }});
}

void HTTPCredentialKeyring::save(const HTTPProtectionSpace& space, const HTTPCredentials& credentials) {
  KeyringThread::instance().submit(Call{Call::Kind::save, space, credentials, {}, {}});
}

void HTTPCredentialKeyring::remove(const HTTPProtectionSpace& space, const HTTPCredentials* onlyIfHolding) {
  Removal removal;
  if (onlyIfHolding) removal = Removal{false, {*onlyIfHolding}};
  KeyringThread::instance().submit(Call{Call::Kind::remove, space, std::nullopt, std::move(removal), {}});
}

std::optional<HTTPCredentials> HTTPCredentialKeyring::findAndWait(const HTTPProtectionSpace& space) {
  return callAndWait(Call{Call::Kind::find, space, std::nullopt, {}, {}}).found;
}

void HTTPCredentialKeyring::saveAndWait(const HTTPProtectionSpace& space, const HTTPCredentials& credentials) {
  callAndWait(Call{Call::Kind::save, space, credentials, {}, {}});
}

void HTTPCredentialKeyring::removeAndWait(const HTTPProtectionSpace& space) {
  callAndWait(Call{Call::Kind::remove, space, std::nullopt, {}, {}});
}

bool HTTPCredentialKeyring::usesSecretService() {
  return callAndWait(Call{Call::Kind::probe, {}, std::nullopt, {}, {}}).serviceAnswers;
}

}  // namespace td
