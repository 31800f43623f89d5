#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "RoTypes/FidoAddr.h"

namespace kestal {

// Reads an address into a record whose Zone, Net and Node act as defaults.
// Fails on "*" or "!"; the text is cut at its first blank; needs a non-zero zone and net.
bool ParseAddress(std::string_view text, TFidoAddr& address);
// Reads an address whose missing parts come from `defaults` (AKAs).
bool ParseAddressDefault(std::string_view text, TFidoAddr& address, const TFidoAddr& defaults);
// Reads one mask ("*", "&", leading "!") whose missing parts come from `defaults`.
// A part holding a wildcard is that wildcard, whatever digits stand beside it.
bool ParseAddressMask(std::string_view text, TFidoAddr& mask, const TFidoAddr& defaults);

// "%d:%d/%d", or "%d:%d/%d.%d" with a point.
std::string FormatAddress(const TFidoAddr& address);
std::string FormatAddress(int zone, int net, int node, int point);
// "%d:%d/%d": the node the address belongs to, its point left out.
std::string FormatNodeAddress(const TFidoAddr& address);

// Tests an address against blank-separated masks, left to right; "!" excludes
// what earlier masks admitted. A mask's missing parts come from the one before it,
// the first one's from the main address.
bool AddressInMaskList(const TFidoAddr& address, std::string_view list, const OwnAddresses& own);

// A mask list read once, for testing many addresses against it: the masks that
// parse, in order. The token "*" admits every address, even one whose parts are
// all -1 (a destination not known).
struct AddressMask {
  TFidoAddr Mask;
  bool AnyAddress = false;  // the token "*"
};
using AddressMaskList = std::vector<AddressMask>;
AddressMaskList ParseAddressMaskList(std::string_view list, const OwnAddresses& own);
// The same answer as AddressInMaskList for the text the list was read from.
bool AddressInMasks(const TFidoAddr& address, const AddressMaskList& masks);
// True when AddressInMasks holds for every address: a "*" not excluded again by a
// later mask. A message need not be read for its addresses to pass such a list.
bool AdmitsEveryAddress(const AddressMaskList& masks);

bool IsOwnAddress(const TFidoAddr& address, const OwnAddresses& own);
// The own address to send from towards `destination`: the first with its zone,
// else the main address.
TFidoAddr OwnAddressFor(const TFidoAddr& destination, const OwnAddresses& own);

}  // namespace kestal
