// The sensors chromix5_sim plays: one, or a fleet of independent ones in one process and one
// event loop (--count). Sensor i of a fleet listens on the base port plus i (each on a free port
// when the base is 0), has the base serial number plus i, its own memories, noise and fault
// counts, and, with a link path, the path's trailing number plus i.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/options.h"
#include "sim/simulator.h"

namespace sim {

class Fleet {
public:
    // Builds options.count sensors numbered from serialBase, each with the faults aimed at it.
    // A long-running program keeps no request log (see Responder::SetKeepRequests).
    Fleet(const Options& options, uint16_t serialBase);

    // Opens every sensor's transports. Returns false with *error naming the sensor that failed;
    // the sensors opened before it are closed again.
    bool Start(std::string* error);
    // Closes every transport (and removes the links).
    void Stop();

    size_t size() const { return sensors_.size(); }
    Simulator& sensor(size_t index) { return *sensors_[index]; }
    // The line printed for sensor index once it is started: the transports it serves.
    std::string Describe(size_t index) const;

private:
    Options options_;
    std::vector<std::unique_ptr<Simulator>> sensors_;
};

// The link path of sensor index in a fleet of count: the path itself for a single sensor; the
// path's trailing number plus index ("/tmp/chromix5-com241" -> "...com243" for index 2); the
// index appended when the path ends in no number.
std::string NumberedPath(const std::string& path, int index, int count);

// Raises the soft limit of open files to the hard limit. Returns the limit now in force.
long RaiseOpenFileLimit();

// About how many descriptors a fleet needs: its listening sockets and pseudo-terminals, one
// client connection per TCP sensor, and a margin for the program itself.
long DescriptorsNeeded(const Options& options);

}  // namespace sim
