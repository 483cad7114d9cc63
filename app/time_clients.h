#pragma once
// The two protocol clients as the acquisition sequence sees them, and clients that fail every
// query: the services' default when no real ones are given.

#include <memory>
#include <string>

#include "base/datetime.h"
#include "platform/wait.h"

namespace kestrum::app {

// SNTP over UDP: one request and one reply.
class TSntpQuery {
 public:
  virtual ~TSntpQuery() = default;
  virtual void SetTargetHost(const std::string& host) = 0;
  // True when a reply was obtained; its time is then in NTPTime.
  virtual bool QueryServerTime() = 0;
  // True when the last query failed because the resolver did not answer for the host's name
  // (it may answer later: not the same as an unknown name).
  virtual bool NameUnanswered() const = 0;
  // UTC.
  virtual base::TDateTime NTPTime() const = 0;
  // From now on the query's waits run in slices with `hook` called between them.
  virtual void SetWaitHook(platform::TWaitHook /*hook*/) {}
};

// The Time protocol (RFC 868) over TCP.
class TTimeQuery {
 public:
  virtual ~TTimeQuery() = default;
  virtual void SetHostname(const std::string& host) = 0;
  // Throws when no connection can be made.
  virtual void FetchTime() = 0;
  // UTC.
  virtual base::TDateTime ServerTime() const = 0;
  // From now on the query's waits run in slices with `hook` called between them.
  virtual void SetWaitHook(platform::TWaitHook /*hook*/) {}
};

std::unique_ptr<TSntpQuery> MakeUnavailableSntp();
std::unique_ptr<TTimeQuery> MakeUnavailableTime();

}  // namespace kestrum::app
