#pragma once
// How device threads run: the capture pause of the recording tweak and whether worker threads
// try for a higher scheduling priority. Read by a stream when it starts its thread.

namespace korvel::audio {

struct DeviceTuning {
    bool capturePause = false;  // sleep 5 ms at every capture notification before handling it
    bool raisePriority = false; // ask for a nicer-than-normal worker thread

    // On the calling (device) thread: lower its nice value by 5 where the system allows it;
    // where it does not, the thread silently keeps its priority.
    static void raiseCurrentThread();
};

} // namespace korvel::audio
