#pragma once
#include <string>

namespace platform {

// Dates as XMP writes them (ISO 8601: "2024-05-06T07:08:09.123+02:00"); empty when the text
// given is not a date of the form read.

// An EXIF date ("2024:05:06 07:08:09") with its sub-seconds ("123") and time zone ("+02:00"),
// each of the last two left out when empty or not of its form.
std::string xmpDateOfExif(const std::string& date, const std::string& subSeconds, const std::string& offset);

// A PNG's Creation Time, in the form the PNG specification suggests (RFC 1123: "Tue, 06 May 2024
// 07:08:09 +0200", "GMT" for +0000), in ExifTool's ("2024:05:06 07:08:09"), or already in ISO 8601.
std::string xmpDateOfText(const std::string& text);

} // namespace platform
