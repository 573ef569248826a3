#pragma once
// One wavelength per channel. An absorbance or intensity cell may be scanned at several wavelengths
// in each round; its files then alternate between them under one channel mask, and only scans of one
// wavelength may be paired. Such a cell offers one channel entry per wavelength: the entry text
// followed by a blank, the wavelength in whole nm and " nm", e.g. "0*.RA1 280 nm" or
// "0*.RI3Sam 230 nm". A cell scanned at one wavelength keeps the plain entry ("0*.RA1").
#include <cstdint>
#include <string>

namespace morvane {

// Whether scans of this mask or entry ("0*.RA1", "0*.RI3Sam 280 nm") are taken at a chosen
// wavelength: absorbance (RA) and intensity (RI).
bool ScannedAtWavelengths(const std::string& maskOrEntry);

// A header's wavelength in whole nm, the unit in which two wavelengths are told apart; 0 for none
// (not given, not a finite positive number, or beyond any light).
int32_t WholeNanometres(double wavelength);

// "0*.RA1" and 280 give "0*.RA1 280 nm"; nm 0 gives the entry unchanged.
std::string EntryWithWavelength(const std::string& entry, int32_t nm);

// The wavelength an entry names, 0 for a plain entry.
int32_t EntryWavelength(const std::string& entry);

// The entry without its wavelength: "0*.RA1 280 nm" gives "0*.RA1".
std::string EntryWithoutWavelength(const std::string& entry);

// The wavelength of a scan file from its first two lines only (a cheap look, for channel
// detection): whole nm when the header line is complete and parses with a wavelength, else 0.
// `headerComplete` tells whether the file already holds two whole lines (a file still being written
// may not); a file that cannot be read has none, one that is no regular file (a pipe, a device) has
// all it will ever have.
int32_t HeaderWavelength(const std::string& path, bool& headerComplete);

} // namespace morvane
