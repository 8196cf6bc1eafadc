#pragma once

namespace app {

// A newer version on the server stops the program from being used: the
// server's version must be known (above a tiny epsilon, since an unanswered
// check leaves 0) and above the program's own.
inline bool version_gate_fires(float server_version, float own_version) {
  return server_version > 0.0000001f && server_version > own_version;
}

}  // namespace app
