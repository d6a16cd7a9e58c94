// Collects what is written to std::cout while it lives.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

class CaptureCout
{
  public:
    CaptureCout() : previous_(std::cout.rdbuf(buffer_.rdbuf()))
    {
    }
    ~CaptureCout()
    {
        std::cout.rdbuf(previous_);
    }
    CaptureCout(const CaptureCout&) = delete;
    CaptureCout& operator=(const CaptureCout&) = delete;

    std::string text() const
    {
        return buffer_.str();
    }

  private:
    std::ostringstream buffer_;
    std::streambuf* previous_;
};
