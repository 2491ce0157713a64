// The SHA-256 of bytes, as the report's traceability page prints it for each log judged.
#pragma once

#include <string>
#include <string_view>

// Sixty-four lower-case hexadecimal digits, as sha256sum prints them.
std::string Sha256Hex(std::string_view bytes);
