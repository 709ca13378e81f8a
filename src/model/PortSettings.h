// The serial port settings a project keeps and the project file stores: the port name and its baud rate.
// The data source opens its port with them while logging runs.
#pragma once

#include "model/Namespace.h"

#include <cstdint>
#include <string>

namespace dedezuviv::model {

struct TPortSettings {
    static constexpr uint32_t DefaultBaudRate = 9600;

    // As given: a device path, a bare name under /dev or an old Windows name COMn; empty = none set.
    std::string Name;
    uint32_t BaudRate = DefaultBaudRate;
};

}  // namespace dedezuviv::model
