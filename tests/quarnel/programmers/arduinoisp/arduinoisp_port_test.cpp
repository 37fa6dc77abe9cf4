// The -p forms of the ArduinoISP programmer and the texts it refuses.
#include "quarnel/programmers/arduinoisp/arduinoisp_port.h"

#include "quarnel/common/errors.h"

#include <gtest/gtest.h>

using namespace quarnel;

TEST(ArduinoIspPort, PathAndBaudOrTheSketchsDefault) {
    const struct {
        const char* text;
        const char* path;
        unsigned baud;
    } cases[] = {
        {"/dev/ttyACM0", "/dev/ttyACM0", 19200},
        {"COM3", "COM3", 19200},
        {"\\\\.\\COM12,b=115200", "\\\\.\\COM12", 115200},
        {"/dev/ttyUSB0,b=57600", "/dev/ttyUSB0", 57600},
    };
    for (const auto& c : cases) {
        const arduinoisp_port_t port = parse_arduinoisp_port(std::string(c.text));
        EXPECT_EQ(port.path, c.path) << c.text;
        EXPECT_EQ(port.baud, c.baud) << c.text;
    }
}

TEST(ArduinoIspPort, MissingPortAndBadOptionsEndWithStatus70) {
    EXPECT_THROW(
        {
            try {
                parse_arduinoisp_port(std::nullopt);
            } catch (const app_error& error) {
                EXPECT_EQ(error.code, EXIT_ENVIRONMENT);
                throw;
            }
        },
        app_error);
    for (const char* text :
         {"", ",b=19200", "/dev/ttyACM0,", "/dev/ttyACM0,b=", "/dev/ttyACM0,b=0",
          "/dev/ttyACM0,b=19200x", "/dev/ttyACM0,baud=19200", "/dev/ttyACM0,b=99999999999"}) {
        EXPECT_THROW(parse_arduinoisp_port(std::string(text)), app_error) << text;
    }
}
