// The Windows build has no station server yet: the distribution's web
// server library is built for the host only, so --serve says so plainly.
#include "flash/station/station_serve.h"

namespace tarnwick::flash {

struct StationServer::State {};

StationServer::StationServer(ServeSetup /*setup*/) : state_(std::make_unique<State>()) {}

StationServer::~StationServer() = default;

bool StationServer::start(std::string& error) {
  error = "--serve is not in the Windows build of tarnwick-flash";
  return false;
}

void StationServer::recorded(const std::string& /*line*/) {}

}  // namespace tarnwick::flash
