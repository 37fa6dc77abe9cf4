// An ArduinoISP board of avrsim on a pseudo-terminal, with a bench's chip on it.
#pragma once

#include "tests/quarnel/e2e/run_bench.h"

#include <string>
#include <vector>

class ArduinoBoard {
  public:
    // Starts `avrsim arduinoisp` on the bench's chip.avr with the board `options`
    // ("baud=115200", "fault=silent", ...) and waits for the path it prints.
    ArduinoBoard(const Bench& bench, const std::vector<std::string>& options);
    // Stops the board; the chip file holds every write already.
    ~ArduinoBoard();
    ArduinoBoard(const ArduinoBoard&) = delete;
    ArduinoBoard& operator=(const ArduinoBoard&) = delete;

    const std::string& path() const { return path_; }

  private:
    int pid_ = -1;
    std::string path_;
};
