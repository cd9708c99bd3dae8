// The root of the library's long-lived objects.
#pragma once

class Tek_basic_obj {
public:
    virtual ~Tek_basic_obj() = default;
};
