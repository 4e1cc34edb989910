#include "wnorb16/svn/svn_client.hpp"

#include <apr_general.h>
#include <svn_auth.h>
#include <svn_client.h>
#include <svn_cmdline.h>
#include <svn_config.h>
#include <svn_diff.h>
#include <svn_dirent_uri.h>
#include <svn_hash.h>
#include <svn_io.h>
#include <svn_path.h>
#include <svn_pools.h>
#include <svn_props.h>
#include <svn_ra.h>
#include <svn_string.h>
#include <svn_utf.h>

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

namespace wnorb16::svn {

namespace {

// The failures that mean "no credentials the repository takes".
bool IsAuthentication(apr_status_t code) {
  return code == SVN_ERR_AUTHN_CREDS_UNAVAILABLE || code == SVN_ERR_AUTHN_NO_PROVIDER ||
         code == SVN_ERR_AUTHN_FAILED || code == SVN_ERR_AUTHN_CREDS_NOT_SAVED ||
         code == SVN_ERR_RA_NOT_AUTHORIZED || code == SVN_ERR_RA_SVN_NO_MECHANISMS;
}

bool IsOutOfDate(apr_status_t code) {
  return code == SVN_ERR_WC_NOT_UP_TO_DATE || code == SVN_ERR_FS_TXN_OUT_OF_DATE ||
         code == SVN_ERR_RA_OUT_OF_DATE || code == SVN_ERR_FS_CONFLICT || code == SVN_ERR_FS_ALREADY_EXISTS ||
         code == SVN_ERR_FS_OUT_OF_DATE;
}

bool IsLocked(apr_status_t code) { return code == SVN_ERR_WC_LOCKED || code == SVN_ERR_WC_CLEANUP_REQUIRED; }
// The failures that mean "the repository cannot be reached now": the connection, not what the
// server said over it (no such repository is a setting to fix, not a server to wait for).
bool IsUnreachable(apr_status_t code) {
  return code == SVN_ERR_RA_SVN_CONNECTION_CLOSED || code == SVN_ERR_RA_SVN_IO_ERROR ||
         APR_STATUS_IS_ECONNREFUSED(code) || APR_STATUS_IS_ECONNRESET(code) ||
         APR_STATUS_IS_ECONNABORTED(code) || APR_STATUS_IS_ETIMEDOUT(code) ||
         APR_STATUS_IS_EHOSTUNREACH(code) || APR_STATUS_IS_ENETUNREACH(code);
}

bool Finds(const svn_error_t* err, bool (*which)(apr_status_t)) {
  for (const svn_error_t* e = err; e != nullptr; e = e->child) {
    if (which(e->apr_err)) return true;
  }
  return false;
}

// Every distinct message of the chain, without the ones that only announce the next.
std::string Describe(const svn_error_t* err) {
  std::string out;
  char buffer[512];
  for (const svn_error_t* e = err; e != nullptr; e = e->child) {
    std::string message = svn_err_best_message(const_cast<svn_error_t*>(e), buffer, sizeof buffer);
    if (message.empty() || message.ends_with("(details follow):") || out.find(message) != std::string::npos)
      continue;
    if (!out.empty()) out += "; ";
    out += message;
  }
  return out;
}

// An APR pool of the client's, destroyed with its owner, and with it whatever libsvn made in it.
class Pool {
 public:
  explicit Pool(apr_pool_t* parent) : pool_(svn_pool_create(parent)) {}
  ~Pool() { svn_pool_destroy(pool_); }
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;
  operator apr_pool_t*() const { return pool_; }

 private:
  apr_pool_t* pool_;
};

// The kinds of credentials the standard providers give.
constexpr const char* kCredentialKinds[] = {SVN_AUTH_CRED_SIMPLE, SVN_AUTH_CRED_USERNAME,
                                            SVN_AUTH_CRED_SSL_SERVER_TRUST, SVN_AUTH_CRED_SSL_CLIENT_CERT,
                                            SVN_AUTH_CRED_SSL_CLIENT_CERT_PW};

// The credentials come from the providers the svn program itself uses with --non-interactive
// (svn_cmdline_create_auth_baton2). The client's own baton hands every request to them through
// one relay per kind, because libsvn tells nobody which user the repository was given, and the
// engine needs that user for the lock holder.
class Credentials {
 public:
  Credentials(svn_auth_baton_t* standard, std::string& user) : standard_(standard), user_(user) {
    for (std::size_t i = 0; i < std::size(kCredentialKinds); ++i) {
      Relay& relay = relays_[i];
      relay.owner = this;
      relay.vtable = {kCredentialKinds[i], First, Next, Save};
      relay.object = {&relay.vtable, &relay};
    }
  }
  Credentials(const Credentials&) = delete;
  Credentials& operator=(const Credentials&) = delete;

  // A baton of the relays, allocated in `pool`, which must go before this object.
  svn_auth_baton_t* Open(apr_pool_t* pool) {
    apr_array_header_t* providers =
        apr_array_make(pool, static_cast<int>(relays_.size()), sizeof(svn_auth_provider_object_t*));
    for (Relay& relay : relays_) APR_ARRAY_PUSH(providers, svn_auth_provider_object_t*) = &relay.object;
    svn_auth_baton_t* baton = nullptr;
    svn_auth_open(&baton, providers, pool);
    return baton;
  }

 private:
  struct Relay {
    Credentials* owner = nullptr;
    svn_auth_provider_t vtable{};
    svn_auth_provider_object_t object{};
    // The standard baton's walk through its providers for the last first request: a save goes to
    // the provider that gave the credentials.
    svn_auth_iterstate_t* last = nullptr;
  };

  // The run-time parameters the RA layer set on the client's baton (the configuration, the
  // server group, a certificate's failures), as the standard providers must see them.
  void PassOn(apr_hash_t* parameters) {
    for (const char* name : passed_) {
      if (svn_hash_gets(parameters, name) == nullptr) svn_auth_set_parameter(standard_, name, nullptr);
    }
    passed_.clear();
    for (apr_hash_index_t* hi = apr_hash_first(nullptr, parameters); hi != nullptr; hi = apr_hash_next(hi)) {
      const auto* name = static_cast<const char*>(apr_hash_this_key(hi));
      svn_auth_set_parameter(standard_, name, apr_hash_this_val(hi));
      passed_.push_back(name);
    }
  }

  void Note(std::string_view kind, const void* credentials) {
    if (credentials == nullptr) return;
    const char* name = nullptr;
    if (kind == SVN_AUTH_CRED_SIMPLE)
      name = static_cast<const svn_auth_cred_simple_t*>(credentials)->username;
    if (kind == SVN_AUTH_CRED_USERNAME)
      name = static_cast<const svn_auth_cred_username_t*>(credentials)->username;
    if (name != nullptr) user_ = name;
  }

  static svn_error_t* First(void** credentials, void** iter_baton, void* provider_baton,
                            apr_hash_t* parameters, const char* realm, apr_pool_t* pool) {
    auto& relay = *static_cast<Relay*>(provider_baton);
    Credentials& self = *relay.owner;
    self.PassOn(parameters);
    svn_auth_iterstate_t* state = nullptr;
    SVN_ERR(
        svn_auth_first_credentials(credentials, &state, relay.vtable.cred_kind, realm, self.standard_, pool));
    relay.last = state;
    *iter_baton = state;
    self.Note(relay.vtable.cred_kind, *credentials);
    return SVN_NO_ERROR;
  }

  static svn_error_t* Next(void** credentials, void* iter_baton, void* provider_baton, apr_hash_t* parameters,
                           const char*, apr_pool_t* pool) {
    auto& relay = *static_cast<Relay*>(provider_baton);
    *credentials = nullptr;
    if (iter_baton == nullptr) return SVN_NO_ERROR;
    relay.owner->PassOn(parameters);
    SVN_ERR(svn_auth_next_credentials(credentials, static_cast<svn_auth_iterstate_t*>(iter_baton), pool));
    relay.owner->Note(relay.vtable.cred_kind, *credentials);
    return SVN_NO_ERROR;
  }

  static svn_error_t* Save(svn_boolean_t* saved, void*, void* provider_baton, apr_hash_t* parameters,
                           const char*, apr_pool_t* pool) {
    auto& relay = *static_cast<Relay*>(provider_baton);
    *saved = FALSE;
    if (relay.last == nullptr) return SVN_NO_ERROR;
    relay.owner->PassOn(parameters);
    SVN_ERR(svn_auth_save_credentials(relay.last, pool));
    // The standard providers each had their turn: nobody else is to be asked.
    *saved = TRUE;
    return SVN_NO_ERROR;
  }

  svn_auth_baton_t* standard_;
  std::string& user_;
  std::array<Relay, std::size(kCredentialKinds)> relays_;
  std::vector<const char*> passed_;  // the parameters passed on last (libsvn's constant names)
};

// Sets up what libsvn needs once per process; an APR status other than APR_SUCCESS when it could not.
apr_status_t InitializeOnce() {
  static const apr_status_t status = [] {
    const apr_status_t initialized = apr_initialize();
    if (initialized != APR_SUCCESS) return initialized;
    // Paths on this system are UTF-8 whatever the locale says. The pool lives as long as the
    // process: the conversions libsvn sets up in it serve every client.
    svn_utf_initialize2(/*assume_native_utf8=*/TRUE, svn_pool_create(nullptr));
    return initialized;
  }();
  return status;
}

apr_array_header_t* PathArray(const std::vector<std::string>& paths, apr_pool_t* pool) {
  apr_array_header_t* array = apr_array_make(pool, static_cast<int>(paths.size()), sizeof(const char*));
  for (const auto& path : paths)
    APR_ARRAY_PUSH(array, const char*) = svn_dirent_canonicalize(path.c_str(), pool);
  return array;
}

// What Configure sets up, replaced as a whole by the next: the configuration, the credentials and
// the client context, in a pool of their own.
struct Setup {
  // Declared first, gone last: the batons in `pool` point into it.
  std::unique_ptr<Credentials> credentials;
  Pool pool{nullptr};
  svn_client_ctx_t* ctx = nullptr;  // in `pool`
};

// A connection to a repository's root kept between calls, in a pool of its own under the setup's
// (it uses the setup's context and credentials), which must outlive it.
struct Session {
  explicit Session(apr_pool_t* setup_pool) : pool(setup_pool) {}
  Pool pool;
  svn_ra_session_t* ra = nullptr;  // in `pool`
  std::string root;                // the repository's root URL
};

}  // namespace

std::string Outcome::About(const std::string& path) const {
  auto it = failed.find(path);
  if (it != failed.end()) return it->second;
  return error;
}

struct SvnClient::State {
  std::string config_dir;
  std::string user;
  // Null until Configure succeeds; `broken` says why.
  std::unique_ptr<Setup> setup;
  std::string broken = "the Subversion client was given no configuration";
  // A connection to the repository kept from one lock pass to the next: opening one costs the
  // server a process and the credentials' exchange, many times the request itself. Null until a
  // lock pass opens one; dropped when Configure replaces the setup or a request on it fails.
  // Declared after `setup`, gone before it: its pool is one of the setup's.
  std::unique_ptr<Session> session;
  // What the notifications of the call under way said about each path.
  Outcome* outcome = nullptr;
  std::function<void()> activity;

  svn_client_ctx_t* ctx() const { return setup->ctx; }
  // A pool for one call of a configured client.
  apr_pool_t* pool() const { return setup->pool; }
  // The outcome of a call the client cannot make, not configured.
  Outcome Unready() const {
    Outcome out;
    out.error = broken;
    return out;
  }

  // The outcome of a call that answered `err`; the error is cleared.
  void Conclude(svn_error_t* err, Outcome& out) const {
    if (err == nullptr) return;
    out.out_of_date = out.out_of_date || Finds(err, IsOutOfDate);
    out.locked = out.locked || Finds(err, IsLocked);
    const bool authentication = Finds(err, IsAuthentication);
    out.unreachable = !authentication && Finds(err, IsUnreachable);
    out.error = authentication ? NoCredentials() : Describe(err);
    svn_error_clear(err);
  }

  std::string NoCredentials() const {
    return "Subversion has no stored credentials the repository takes, and the engine asks nobody: store "
           "them once at a terminal with \"svn info --username <you> <working copy folder>" +
           (config_dir.empty() ? std::string() : " --config-dir " + config_dir) +
           "\", which asks for the password and saves it";
  }
};

namespace {

// An update that passes over a file says so only in a notification without an error.
bool IsSkip(svn_wc_notify_action_t action) {
  return action == svn_wc_notify_skip || action == svn_wc_notify_skip_conflicted ||
         action == svn_wc_notify_update_skip_obstruction ||
         action == svn_wc_notify_update_skip_working_only ||
         action == svn_wc_notify_update_skip_access_denied;
}

void Progress(apr_off_t, apr_off_t, void* baton, apr_pool_t*) {
  auto* state = static_cast<SvnClient::State*>(baton);
  if (state->activity) state->activity();
}

// libsvn asks this often through its own work (never while it waits for the server): the call is
// getting on, never cancelled.
svn_error_t* GettingOn(void* baton) {
  auto* state = static_cast<SvnClient::State*>(baton);
  if (state->activity) state->activity();
  return SVN_NO_ERROR;
}

void DropSession(SvnClient::State& s) { s.session.reset(); }

void Notify(void* baton, const svn_wc_notify_t* notify, apr_pool_t*) {
  auto* state = static_cast<SvnClient::State*>(baton);
  if (state->activity) state->activity();
  if (state->outcome == nullptr) return;
  Outcome& out = *state->outcome;
  if (notify->err == nullptr) {
    if (notify->action == svn_wc_notify_add && notify->kind == svn_node_dir)
      out.added_folders.emplace_back(notify->path);
    if (IsSkip(notify->action))
      out.failed[notify->path] = "Subversion passed over it; not brought up to date";
    return;
  }
  out.out_of_date = out.out_of_date || Finds(notify->err, IsOutOfDate);
  out.locked = out.locked || Finds(notify->err, IsLocked);
  out.failed[notify->path] =
      Finds(notify->err, IsAuthentication) ? state->NoCredentials() : Describe(notify->err);
}

}  // namespace

SvnClient::SvnClient() : state_(std::make_unique<State>()) {}

SvnClient::~SvnClient() = default;

const std::string& SvnClient::user() const { return state_->user; }

void SvnClient::OnActivity(std::function<void()> activity) { state_->activity = std::move(activity); }

std::string SvnClient::Configure(const std::string& config_dir) {
  State& s = *state_;
  if (s.setup && config_dir == s.config_dir) return "";
  DropSession(s);
  s.setup.reset();
  s.user.clear();
  s.config_dir = config_dir;
  if (const apr_status_t status = InitializeOnce(); status != APR_SUCCESS) {
    char buffer[256];
    s.broken =
        "Subversion's libraries cannot start: " + std::string(apr_strerror(status, buffer, sizeof buffer));
    return s.broken;
  }
  auto setup = std::make_unique<Setup>();
  apr_pool_t* pool = setup->pool;
  const char* dir = config_dir.empty() ? nullptr : apr_pstrdup(pool, config_dir.c_str());
  svn_error_t* err = [&]() -> svn_error_t* {
    apr_hash_t* config = nullptr;
    SVN_ERR(svn_config_get_config(&config, dir, pool));
    auto* config_file = static_cast<svn_config_t*>(svn_hash_gets(config, SVN_CONFIG_CATEGORY_CONFIG));
    svn_auth_baton_t* standard = nullptr;
    SVN_ERR(svn_cmdline_create_auth_baton2(
        &standard, /*non_interactive=*/TRUE, /*username=*/nullptr, /*password=*/nullptr, dir,
        /*no_auth_cache=*/FALSE, /*trust_server_cert_unknown_ca=*/FALSE,
        /*trust_server_cert_cn_mismatch=*/FALSE,
        /*trust_server_cert_expired=*/FALSE, /*trust_server_cert_not_yet_valid=*/FALSE,
        /*trust_server_cert_other_failure=*/FALSE, config_file, /*cancel_func=*/nullptr,
        /*cancel_baton=*/nullptr, pool));
    SVN_ERR(svn_client_create_context2(&setup->ctx, config, pool));
    setup->credentials = std::make_unique<Credentials>(standard, s.user);
    svn_auth_baton_t* auth = setup->credentials->Open(pool);
    // What the standard baton was given, which the relays keep it given; the RA layer adds the
    // rest when it opens a session.
    svn_auth_set_parameter(auth, SVN_AUTH_PARAM_NON_INTERACTIVE, "");
    if (dir != nullptr) svn_auth_set_parameter(auth, SVN_AUTH_PARAM_CONFIG_DIR, dir);
    svn_client_ctx_t& ctx = *setup->ctx;
    ctx.auth_baton = auth;
    ctx.notify_func2 = Notify;
    ctx.notify_baton2 = &s;
    ctx.progress_func = Progress;
    ctx.progress_baton = &s;
    ctx.cancel_func = GettingOn;
    ctx.cancel_baton = &s;
    return SVN_NO_ERROR;
  }();
  if (err != nullptr) {
    s.broken = "Subversion cannot work with its configuration folder " +
               (config_dir.empty() ? std::string("~/.subversion") : config_dir) + ": " + Describe(err);
    svn_error_clear(err);
    return s.broken;
  }
  s.setup = std::move(setup);
  return "";
}

namespace {

// Runs one libsvn call with the client's notifications collected into `out`.
template <typename Call>
Outcome Collect(SvnClient::State& state, Call call) {
  Outcome out;
  state.outcome = &out;
  svn_error_t* err = call();
  state.outcome = nullptr;
  state.Conclude(err, out);
  return out;
}

}  // namespace

namespace {

// The kept session of the repository at `root`, or a new one; `kept` says which. It stays at the
// root, requests naming their folder: libsvn's svn:// client, moved to another folder
// (svn_ra_reparent), lists that folder's locks as none.
svn_error_t* KeptSession(SvnClient::State& s, const std::string& root, const char* wc, bool& kept,
                         apr_pool_t* scratch) {
  kept = s.session && s.session->root == root;
  if (kept) return SVN_NO_ERROR;
  DropSession(s);
  auto session = std::make_unique<Session>(s.pool());
  SVN_ERR(svn_client_open_ra_session2(&session->ra, root.c_str(), wc, s.ctx(), session->pool, scratch));
  session->root = root;
  s.session = std::move(session);
  return SVN_NO_ERROR;
}

struct StatusBaton {
  std::string folder;
  SvnFolder* out;
  std::string folder_url;  // the folder's own, "" when it has none
  std::string relpath;     // the folder's path in the repository, from its root
};

svn_error_t* TakeStatus(void* baton, const char* path, const svn_client_status_t* status,
                        apr_pool_t* scratch) {
  auto* b = static_cast<StatusBaton*>(baton);
  if (b->folder == path) {
    if (status->repos_root_url != nullptr) b->out->repository = status->repos_root_url;
    if (status->repos_root_url != nullptr && status->repos_relpath != nullptr)
      b->folder_url = svn_path_url_add_component2(status->repos_root_url, status->repos_relpath, scratch);
    if (status->repos_relpath != nullptr) b->relpath = status->repos_relpath;
    return SVN_NO_ERROR;
  }
  const bool file =
      status->kind == svn_node_file || (status->kind != svn_node_dir && status->ood_kind == svn_node_file);
  if (!file) return SVN_NO_ERROR;
  SvnEntry entry;
  const svn_wc_status_kind node = status->node_status;
  entry.added = status->versioned && node == svn_wc_status_added;
  entry.versioned = status->versioned && !entry.added && node != svn_wc_status_unversioned;
  entry.only_in_repository = !status->versioned && status->repos_node_status == svn_wc_status_added;
  entry.conflicted = status->conflicted;
  entry.modified = entry.added || status->text_status == svn_wc_status_modified ||
                   status->prop_status == svn_wc_status_modified || status->conflicted;
  entry.scheduled = node == svn_wc_status_deleted || node == svn_wc_status_replaced;
  entry.deleted = status->repos_node_status == svn_wc_status_deleted;
  entry.changed = status->changed_rev;
  entry.base = status->revision;
  entry.changed_date = status->changed_date;
  entry.latest = SVN_IS_VALID_REVNUM(status->ood_changed_rev) ? status->ood_changed_rev : status->changed_rev;
  entry.latest_date =
      SVN_IS_VALID_REVNUM(status->ood_changed_rev) ? status->ood_changed_date : status->changed_date;
  if (status->lock != nullptr && status->lock->token != nullptr) {
    entry.own_token = status->lock->token;
    entry.own_owner = status->lock->owner != nullptr ? status->lock->owner : "";
  }
  if (status->repos_lock != nullptr) {
    entry.lock = RepositoryLock{status->repos_lock->owner ? status->repos_lock->owner : "",
                                status->repos_lock->token ? status->repos_lock->token : ""};
  }
  if (status->repos_root_url != nullptr && status->repos_relpath != nullptr) {
    entry.url = std::string(status->repos_root_url) + "/" + status->repos_relpath;
  }
  b->out->files[svn_dirent_basename(path, nullptr)] = std::move(entry);
  return SVN_NO_ERROR;
}

}  // namespace

SvnFolder SvnClient::Status(const std::string& folder, Asked asked) {
  SvnFolder out;
  out.path = folder;
  out.revisions = asked == Asked::kRevisions;
  if (!state_->setup) {
    out.error = "Subversion cannot tell the state of " + folder + ": " + state_->broken;
    return out;
  }
  Pool pool(state_->pool());
  const svn_boolean_t repository = out.revisions;
  StatusBaton baton{svn_dirent_canonicalize(folder.c_str(), pool), &out, "", ""};
  svn_opt_revision_t head;
  head.kind = svn_opt_revision_head;
  svn_revnum_t revision = SVN_INVALID_REVNUM;
  svn_error_t* err = svn_client_status6(
      &revision, state_->ctx(), baton.folder.c_str(), &head, svn_depth_immediates, /*get_all=*/TRUE,
      /*check_out_of_date=*/repository, /*check_working_copy=*/TRUE, /*no_ignore=*/FALSE,
      /*ignore_externals=*/TRUE, /*depth_as_sticky=*/FALSE, /*changelists=*/nullptr, TakeStatus, &baton,
      pool);
  if (err != nullptr) {
    if (svn_error_find_cause(err, SVN_ERR_WC_PATH_NOT_FOUND) != nullptr) {
      // Inside a working copy, a folder of files not added yet: their check-in adds it.
      svn_error_clear(err);
    } else if (svn_error_find_cause(err, SVN_ERR_WC_NOT_WORKING_COPY) != nullptr) {
      out.error =
          folder + " is not in a Subversion working copy (Store=svn); check the project out there first";
      out.outside = true;
      svn_error_clear(err);
    } else {
      Outcome outcome;
      state_->Conclude(err, outcome);
      out.error = "Subversion cannot tell the state of " + folder + ": " + outcome.error;
      out.locked = outcome.locked;
      out.unreachable = outcome.unreachable;
    }
    out.files.clear();
    return out;
  }
  for (auto& [name, entry] : out.files) {
    const char* path = svn_dirent_join(baton.folder.c_str(), name.c_str(), pool);
    if (entry.conflicted) entry.conflict_revision = IncomingRevision(path);
    // Status has no revisions for a file scheduled for deletion; its base still has them.
    if (entry.scheduled && !SVN_IS_VALID_REVNUM(entry.changed)) {
      std::string error;
      entry.changed = LastChanged(path, error);
      if (!error.empty()) {
        out.error = "Subversion cannot tell the state of " + folder + ": " + error;
        out.files.clear();
        return out;
      }
    }
  }
  if (!baton.folder_url.empty()) out.relpath = baton.relpath;
  return out;
}

namespace {

// The path from the repository's root a lock of the file `name` of `relpath` is kept under.
std::string LockPath(const std::string& relpath, const std::string& name) {
  return relpath.empty() ? "/" + name : "/" + relpath + "/" + name;
}

// Someone else's lock is reported with the file's revision as the repository has it, as its
// holder's engine said it: this working copy's base may be older. So is a lock of this working
// copy's that is gone: its way out depends on what came in since.
bool Differs(const SvnEntry& entry) {
  return entry.lock ? entry.lock->token != entry.own_token : !entry.own_token.empty();
}

// Whether a file `entry` stands for may have changed in the repository since its base: every
// change under a folder gives that folder a new revision.
bool MayBeNewer(const SvnEntry& entry, long changed) { return changed < 0 || entry.base < changed; }

}  // namespace

std::string CommonFolder(const std::string& a, const std::string& b) {
  std::size_t common = 0;
  for (std::size_t i = 0; i <= std::min(a.size(), b.size()); ++i) {
    const bool end_a = i == a.size() || a[i] == '/';
    const bool end_b = i == b.size() || b[i] == '/';
    if (end_a && end_b) common = i;
    if (i == a.size() || i == b.size() || a[i] != b[i]) break;
  }
  return a.substr(0, common);
}

bool PassLocks::Covers(const SvnFolder& folder) const {
  if (!asked || !folder.relpath || folder.repository != repository) return false;
  const std::string& there = *folder.relpath;
  if (!deep) return there == relpath;
  return relpath.empty() || there == relpath || (there.starts_with(relpath) && there[relpath.size()] == '/');
}

void PassLocks::ApplyTo(SvnFolder& folder) const {
  for (auto& [name, entry] : folder.files) {
    auto it = locks.find(LockPath(*folder.relpath, name));
    if (it == locks.end()) {
      entry.lock.reset();
    } else {
      entry.lock = it->second;
    }
  }
}

bool PassLocks::NeedsRepository(const SvnFolder& folder) const {
  if (!Covers(folder)) return true;
  for (const auto& [name, entry] : folder.files) {
    SvnEntry seen = entry;
    auto it = locks.find(LockPath(*folder.relpath, name));
    seen.lock = it == locks.end() ? std::nullopt : std::optional<RepositoryLock>(it->second);
    if (Differs(seen) && (changed == -2 || MayBeNewer(seen, changed))) return true;
  }
  return false;
}

SvnFolder SvnClient::PassStatus(SvnFolder folder, PassLocks& pass, const std::string& scope, bool deep) {
  if (!folder.error.empty() || !folder.relpath) return folder;
  if (!state_->setup) {
    folder.error = "Subversion cannot tell the state of " + folder.path + ": " + state_->broken;
    folder.files.clear();
    return folder;
  }
  Pool pool(state_->pool());
  const std::string relpath = *folder.relpath;
  const char* wc = svn_dirent_canonicalize(folder.path.c_str(), pool);
  auto ask = [&](svn_ra_session_t* session) -> svn_error_t* {
    if (!pass.Covers(folder)) {
      // The locks alone cost the repository one look at its lock table, not a status report.
      pass.asked = false;
      apr_hash_t* locks = nullptr;
      SVN_ERR(svn_ra_get_locks2(session, &locks, scope.c_str(),
                                deep ? svn_depth_infinity : svn_depth_immediates, pool));
      pass.locks.clear();
      for (apr_hash_index_t* hi = apr_hash_first(pool, locks); hi != nullptr; hi = apr_hash_next(hi)) {
        const auto* lock = static_cast<const svn_lock_t*>(apr_hash_this_val(hi));
        pass.locks[static_cast<const char*>(apr_hash_this_key(hi))] =
            RepositoryLock{lock->owner ? lock->owner : "", lock->token ? lock->token : ""};
      }
      pass.asked = true;
      pass.repository = folder.repository;
      pass.relpath = scope;
      pass.deep = deep;
      pass.changed = -2;
    }
    pass.ApplyTo(folder);
    bool others = false;
    for (const auto& [name, entry] : folder.files) others = others || Differs(entry);
    if (!others) return SVN_NO_ERROR;
    // When nothing came in the folder asked since the revision the working copy has such a file
    // at, its base is the latest, and the folder's listing (the dearest request of the pass on a
    // large folder) is not needed.
    if (pass.changed == -2) {
      svn_dirent_t* top = nullptr;
      SVN_ERR(svn_ra_stat(session, pass.relpath.c_str(), SVN_INVALID_REVNUM, &top, pool));
      pass.changed = top == nullptr ? -1 : top->created_rev;
    }
    bool newer = false;
    for (const auto& [name, entry] : folder.files)
      newer = newer || (Differs(entry) && MayBeNewer(entry, pass.changed));
    if (!newer) return SVN_NO_ERROR;
    apr_hash_t* entries = nullptr;
    SVN_ERR(svn_ra_get_dir2(session, &entries, /*fetched_rev=*/nullptr, /*props=*/nullptr, relpath.c_str(),
                            SVN_INVALID_REVNUM, SVN_DIRENT_KIND | SVN_DIRENT_CREATED_REV | SVN_DIRENT_TIME,
                            pool));
    for (auto& [name, entry] : folder.files) {
      if (!Differs(entry)) continue;
      const auto* dirent = static_cast<const svn_dirent_t*>(svn_hash_gets(entries, name.c_str()));
      if (dirent == nullptr || dirent->kind != svn_node_file) continue;
      entry.latest = dirent->created_rev;
      entry.latest_date = dirent->time;
    }
    return SVN_NO_ERROR;
  };
  Outcome outcome = Collect(*state_, [&]() -> svn_error_t* {
    bool kept = false;
    SVN_ERR(KeptSession(*state_, folder.repository, wc, kept, pool));
    svn_error_t* err = ask(state_->session->ra);
    if (err != nullptr && kept) {
      // The server may have closed the kept connection since (restarted): once more on a new one.
      svn_error_clear(err);
      DropSession(*state_);
      SVN_ERR(KeptSession(*state_, folder.repository, wc, kept, pool));
      err = ask(state_->session->ra);
    }
    if (err != nullptr) DropSession(*state_);
    return err;
  });
  if (!outcome.error.empty()) {
    pass.asked = false;
    folder.error = "Subversion cannot tell the state of " + folder.path + ": " + outcome.error;
    folder.unreachable = outcome.unreachable;
    folder.files.clear();
  }
  return folder;
}

long SvnClient::IncomingRevision(const std::string& path) {
  Pool pool(state_->pool());
  svn_revnum_t revision = SVN_INVALID_REVNUM;
  svn_client_conflict_t* conflict = nullptr;
  svn_error_t* err = svn_client_conflict_get(&conflict, path.c_str(), state_->ctx(), pool, pool);
  if (err == nullptr) {
    err = svn_client_conflict_get_incoming_new_repos_location(nullptr, &revision, nullptr, conflict, pool,
                                                              pool);
  }
  // The conflict is there whatever its revision; without one, its words go without the number.
  if (err != nullptr) {
    svn_error_clear(err);
    return -1;
  }
  return SVN_IS_VALID_REVNUM(revision) ? revision : -1;
}

namespace {

// What `svn info` says of the one `target` (a path or URL) at `at`, handed to `take`.
Outcome InfoOf(SvnClient::State& state, const std::string& target, const svn_opt_revision_t& at,
               const std::function<void(const svn_client_info2_t&)>& take) {
  if (!state.setup) return state.Unready();
  Pool pool(state.pool());
  std::function<void(const svn_client_info2_t&)> receiver = take;
  return Collect(state, [&] {
    return svn_client_info4(
        apr_pstrdup(pool, target.c_str()), &at, &at, svn_depth_empty, /*fetch_excluded=*/FALSE,
        /*fetch_actual_only=*/FALSE, /*include_externals=*/FALSE, /*changelists=*/nullptr,
        [](void* baton, const char*, const svn_client_info2_t* info, apr_pool_t*) -> svn_error_t* {
          (*static_cast<std::function<void(const svn_client_info2_t&)>*>(baton))(*info);
          return SVN_NO_ERROR;
        },
        &receiver, state.ctx(), pool);
  });
}

}  // namespace

long SvnClient::LastChanged(const std::string& path, std::string& error) {
  // Unspecified: the working copy answers, the repository is not asked.
  svn_opt_revision_t base;
  base.kind = svn_opt_revision_unspecified;
  svn_revnum_t changed = SVN_INVALID_REVNUM;
  error = InfoOf(*state_, path, base, [&](const svn_client_info2_t& info) {
            changed = info.last_changed_rev;
          }).error;
  return SVN_IS_VALID_REVNUM(changed) ? changed : -1;
}

Outcome SvnClient::Update(const std::vector<std::string>& paths, long revision) {
  if (!state_->setup) return state_->Unready();
  Pool pool(state_->pool());
  svn_opt_revision_t wanted;
  wanted.kind = revision < 0 ? svn_opt_revision_head : svn_opt_revision_number;
  wanted.value.number = revision;
  return Collect(*state_, [&] {
    apr_array_header_t* revisions = nullptr;
    return svn_client_update4(&revisions, PathArray(paths, pool), &wanted, svn_depth_empty,
                              /*depth_is_sticky=*/FALSE, /*ignore_externals=*/TRUE,
                              /*allow_unver_obstructions=*/FALSE, /*adds_as_modification=*/TRUE,
                              /*make_parents=*/FALSE, state_->ctx(), pool);
  });
}

bool SvnClient::HoldsFile(const std::string& url, long revision) {
  svn_opt_revision_t at;
  at.kind = svn_opt_revision_number;
  at.value.number = revision;
  bool file = false;
  Outcome outcome =
      InfoOf(*state_, url, at, [&](const svn_client_info2_t& info) { file = info.kind == svn_node_file; });
  return outcome.error.empty() && file;
}

Outcome SvnClient::Lock(const std::vector<std::string>& paths, const std::string& comment) {
  if (!state_->setup) return state_->Unready();
  Pool pool(state_->pool());
  return Collect(*state_, [&] {
    return svn_client_lock(PathArray(paths, pool), comment.empty() ? nullptr : comment.c_str(),
                           /*steal_lock=*/FALSE, state_->ctx(), pool);
  });
}

Outcome SvnClient::Unlock(const std::vector<std::string>& paths) {
  if (!state_->setup) return state_->Unready();
  Pool pool(state_->pool());
  return Collect(*state_, [&] {
    return svn_client_unlock(PathArray(paths, pool), /*break_lock=*/FALSE, state_->ctx(), pool);
  });
}

Outcome SvnClient::Revert(const std::vector<std::string>& paths) {
  if (!state_->setup) return state_->Unready();
  Pool pool(state_->pool());
  return Collect(*state_, [&] {
    return svn_client_revert4(PathArray(paths, pool), svn_depth_empty, /*changelists=*/nullptr,
                              /*clear_changelists=*/FALSE, /*metadata_only=*/FALSE, /*added_keep_local=*/TRUE,
                              state_->ctx(), pool);
  });
}

Outcome SvnClient::Add(const std::string& path, bool binary) {
  if (!state_->setup) return state_->Unready();
  Pool pool(state_->pool());
  return Collect(*state_, [&]() -> svn_error_t* {
    const char* target = svn_dirent_canonicalize(path.c_str(), pool);
    SVN_ERR(svn_client_add5(target, svn_depth_empty, /*force=*/FALSE, /*no_ignore=*/TRUE,
                            /*no_autoprops=*/TRUE,
                            /*add_parents=*/TRUE, state_->ctx(), pool));
    apr_array_header_t* targets = PathArray({path}, pool);
    SVN_ERR(svn_client_propset_local(SVN_PROP_NEEDS_LOCK, svn_string_create(SVN_PROP_BOOLEAN_TRUE, pool),
                                     targets, svn_depth_empty, /*skip_checks=*/FALSE, /*changelists=*/nullptr,
                                     state_->ctx(), pool));
    if (binary) {
      SVN_ERR(svn_client_propset_local(
          SVN_PROP_MIME_TYPE, svn_string_create("application/octet-stream", pool), targets, svn_depth_empty,
          /*skip_checks=*/FALSE, /*changelists=*/nullptr, state_->ctx(), pool));
    }
    return SVN_NO_ERROR;
  });
}

Outcome SvnClient::Commit(const std::vector<std::string>& paths, const std::string& message,
                          bool keep_locks) {
  if (!state_->setup) return state_->Unready();
  Pool pool(state_->pool());
  struct Message {
    const char* text;
  } log{apr_pstrdup(pool, message.c_str())};
  svn_client_ctx_t& ctx = *state_->ctx();
  ctx.log_msg_func3 = [](const char** log_msg, const char** tmp_file, const apr_array_header_t*, void* baton,
                         apr_pool_t*) -> svn_error_t* {
    *log_msg = static_cast<Message*>(baton)->text;
    *tmp_file = nullptr;
    return SVN_NO_ERROR;
  };
  ctx.log_msg_baton3 = &log;
  Outcome out = Collect(*state_, [&] {
    return svn_client_commit6(PathArray(paths, pool), svn_depth_empty, keep_locks, /*keep_changelists=*/FALSE,
                              /*commit_as_operations=*/TRUE, /*include_file_externals=*/FALSE,
                              /*include_dir_externals=*/FALSE, /*changelists=*/nullptr,
                              /*revprop_table=*/nullptr,
                              /*commit_callback=*/nullptr, /*commit_baton=*/nullptr, &ctx, pool);
  });
  ctx.log_msg_func3 = nullptr;
  ctx.log_msg_baton3 = nullptr;
  return out;
}

std::string SvnClient::RootOf(const std::string& path) {
  if (!state_->setup) return "";
  Pool pool(state_->pool());
  const char* root = nullptr;
  svn_error_t* err =
      svn_client_get_wc_root(&root, svn_dirent_canonicalize(path.c_str(), pool), state_->ctx(), pool, pool);
  if (err != nullptr) {
    svn_error_clear(err);
    return "";
  }
  return root;
}

std::string SvnClient::Cleanup(const std::string& root) {
  if (!state_->setup) return state_->broken;
  Pool pool(state_->pool());
  return Collect(*state_,
                 [&] {
                   return svn_client_cleanup2(
                       svn_dirent_canonicalize(root.c_str(), pool), /*break_locks=*/TRUE,
                       /*fix_recorded_timestamps=*/FALSE, /*clear_dav_cache=*/FALSE,
                       /*vacuum_pristines=*/FALSE, /*include_externals=*/FALSE, state_->ctx(), pool);
                 })
      .error;
}

namespace {

svn_error_t* TakeLogEntry(void* baton, svn_log_entry_t* entry, apr_pool_t*) {
  auto* out = static_cast<std::vector<LogEntry>*>(baton);
  if (!SVN_IS_VALID_REVNUM(entry->revision)) return SVN_NO_ERROR;
  LogEntry e;
  e.revision = entry->revision;
  auto text = [&](const char* name) {
    const svn_string_t* value = entry->revprops != nullptr
                                    ? static_cast<const svn_string_t*>(svn_hash_gets(entry->revprops, name))
                                    : nullptr;
    return value != nullptr ? std::string(value->data, value->len) : std::string();
  };
  e.author = text(SVN_PROP_REVISION_AUTHOR);
  e.date = text(SVN_PROP_REVISION_DATE);
  e.message = text(SVN_PROP_REVISION_LOG);
  out->push_back(std::move(e));
  return SVN_NO_ERROR;
}

}  // namespace

std::vector<LogEntry> SvnClient::Log(const std::string& url, std::string& error) {
  std::vector<LogEntry> out;
  if (!state_->setup) {
    error = state_->broken;
    return out;
  }
  Pool pool(state_->pool());
  apr_array_header_t* targets = apr_array_make(pool, 1, sizeof(const char*));
  APR_ARRAY_PUSH(targets, const char*) = apr_pstrdup(pool, url.c_str());
  svn_opt_revision_t head;
  head.kind = svn_opt_revision_head;
  auto* range = static_cast<svn_opt_revision_range_t*>(apr_pcalloc(pool, sizeof(svn_opt_revision_range_t)));
  range->start.kind = svn_opt_revision_head;
  range->end.kind = svn_opt_revision_number;
  range->end.value.number = 0;
  apr_array_header_t* ranges = apr_array_make(pool, 1, sizeof(svn_opt_revision_range_t*));
  APR_ARRAY_PUSH(ranges, svn_opt_revision_range_t*) = range;
  Outcome outcome = Collect(*state_, [&] {
    return svn_client_log5(targets, &head, ranges, /*limit=*/0, /*discover_changed_paths=*/FALSE,
                           /*strict_node_history=*/TRUE, /*include_merged_revisions=*/FALSE,
                           /*revprops=*/nullptr, TakeLogEntry, &out, state_->ctx(), pool);
  });
  error = outcome.error;
  return out;
}

std::optional<std::string> SvnClient::Latest(const std::string& path, bool& binary, std::string& error) {
  if (!state_->setup) {
    error = state_->broken;
    return std::nullopt;
  }
  Pool pool(state_->pool());
  svn_stringbuf_t* bytes = svn_stringbuf_create_empty(pool);
  svn_opt_revision_t head;
  head.kind = svn_opt_revision_head;
  apr_hash_t* props = nullptr;
  Outcome outcome = Collect(*state_, [&] {
    return svn_client_cat3(&props, svn_stream_from_stringbuf(bytes, pool),
                           svn_dirent_canonicalize(path.c_str(), pool), &head, &head,
                           /*expand_keywords=*/TRUE, state_->ctx(), pool, pool);
  });
  error = outcome.error;
  if (!error.empty()) return std::nullopt;
  const svn_string_t* mime =
      props != nullptr ? static_cast<const svn_string_t*>(svn_hash_gets(props, SVN_PROP_MIME_TYPE)) : nullptr;
  binary = mime != nullptr && svn_mime_type_is_binary(mime->data);
  return std::string(bytes->data, bytes->len);
}

std::optional<HeadFile> SvnClient::Head(const std::string& path, const std::string& url) {
  svn_opt_revision_t head;
  head.kind = svn_opt_revision_head;
  HeadFile file;
  Outcome info = InfoOf(*state_, url, head, [&](const svn_client_info2_t& found) {
    file.revision = found.last_changed_rev;
    file.author = found.last_changed_author != nullptr ? found.last_changed_author : "";
  });
  if (!info.error.empty() || !SVN_IS_VALID_REVNUM(file.revision)) return std::nullopt;
  bool binary = false;
  std::string error;
  std::optional<std::string> bytes = Latest(path, binary, error);
  if (!bytes) return std::nullopt;
  file.bytes = std::move(*bytes);
  return file;
}

std::string SvnClient::Diff(const std::string& before, const std::string& after,
                            const std::string& before_label, const std::string& after_label) {
  // Without Subversion's lines the two are said to differ, or not, with the labels alone.
  std::string bare = before == after ? "" : "--- " + before_label + "\n+++ " + after_label + "\n";
  if (!state_->setup) return bare;
  Pool pool(state_->pool());
  svn_string_t original{before.data(), before.size()};
  svn_string_t modified{after.data(), after.size()};
  svn_diff_t* diff = nullptr;
  svn_stringbuf_t* text = svn_stringbuf_create_empty(pool);
  svn_error_t* err = [&]() -> svn_error_t* {
    SVN_ERR(svn_diff_mem_string_diff(&diff, &original, &modified, svn_diff_file_options_create(pool), pool));
    if (!svn_diff_contains_diffs(diff)) return SVN_NO_ERROR;
    return svn_diff_mem_string_output_unified3(svn_stream_from_stringbuf(text, pool), diff,
                                               /*with_diff_header=*/TRUE, /*hunk_delimiter=*/nullptr,
                                               before_label.c_str(), after_label.c_str(), "UTF-8", &original,
                                               &modified, /*context_size=*/-1, /*cancel_func=*/nullptr,
                                               /*cancel_baton=*/nullptr, pool);
  }();
  if (err != nullptr) {
    svn_error_clear(err);
    return bare;
  }
  return std::string(text->data, text->len);
}

}  // namespace wnorb16::svn
