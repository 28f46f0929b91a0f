#pragma once

// Whether the network is reported reachable, for the automatic update check at start. Uses the
// platform's network information backend; when no backend is available or it cannot tell,
// the network counts as reachable (a failed check shows nothing, a skipped one would hide a
// new release). Only a disconnected or local-only network counts as unreachable.
// Call it on the main thread.
bool isNetworkReachable();
