// Opens the driver interface for one call site and closes it on every way out.
#pragma once

#include "core/DriverApi.h"

class DriverSession {
public:
    explicit DriverSession(DriverApi& driver)
        : m_driver(driver), m_open(driver.Initialize_DriverInterface() > 0) {}
    ~DriverSession() {
        if (m_open)
            m_driver.UnInitialize_DriverInterface();
    }
    DriverSession(const DriverSession&) = delete;
    DriverSession& operator=(const DriverSession&) = delete;

    bool IsOpen() const { return m_open; }

private:
    DriverApi& m_driver;
    bool m_open;
};
