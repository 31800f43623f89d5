#include "Utils/Address.h"

#include <algorithm>
#include <cstdio>

#include "Utils/Text.h"

namespace kestal {

namespace {

constexpr int32_t kAnyValue = -1;    // "*"
constexpr int32_t kAnyPoint = -2;    // "&"
constexpr size_t kMaxPartLength = 5;

// What ends a part of an address text. The numbering fixes their order: each
// of ":", "/", "." may follow only the one numbered just below it.
enum Delimiter { kNone = 0, kColon = 1, kSlash = 2, kDot = 3 };

Delimiter ClassifyDelimiter(char c) {
  switch (c) {
    case ':': return kColon;
    case '/': return kSlash;
    case '.': return kDot;
    default: return kNone;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWildcard(char c) { return c == '*' || c == '&'; }

struct Part {
  bool empty = true;
  int32_t value = 0;
};

// Collects one part starting at `i` (at most five characters) and leaves `i` on
// the delimiter. In masks a wildcard replaces what came before it in the part,
// and the rest of a part that holds a wildcard is consumed without effect, so
// "&5" is the "&" wildcard rather than an arithmetic mix of the two.
Part CollectPart(std::string_view text, size_t end, size_t& i, bool allowWildcards) {
  Part part;
  size_t length = 0;
  bool wildcard = false;
  while (i < end && length < kMaxPartLength &&
         (IsDigit(text[i]) || (allowWildcards && IsWildcard(text[i])))) {
    const char c = text[i];
    if (IsWildcard(c)) {
      part.value = c == '*' ? kAnyValue : kAnyPoint;
      wildcard = true;
    } else if (!wildcard) {
      part.value = part.value * 10 + (c - '0');
    }
    part.empty = false;
    ++i;
    ++length;
  }
  return part;
}

// Reads `text` into `address`, whose parts already hold the defaults. Text from
// an "@" on (a domain) is ignored. On failure the record keeps what was stored.
bool ScanAddress(std::string_view text, TFidoAddr& address, bool allowWildcards) {
  const size_t end = std::min(text.find('@'), text.size());
  Delimiter previous = kNone;
  size_t i = 0;
  while (i < end) {
    const Part part = CollectPart(text, end, i, allowWildcards);
    const Delimiter delimiter = i < end ? ClassifyDelimiter(text[i]) : kNone;
    if (delimiter != kNone && previous != kNone && delimiter != previous + 1) return false;
    switch (delimiter) {
      case kColon:
        if (!part.empty) address.Zone = part.value;
        address.Net = 0;
        address.Node = 0;
        break;
      case kSlash:
        if (!part.empty) address.Net = part.value;
        address.Node = 0;
        break;
      case kDot:
        if (!part.empty) address.Node = part.value;
        break;
      case kNone:
        if (previous == kColon) return false;  // a zone and a net without a node
        if (previous == kDot) {
          address.Point = part.value;
        } else if (!part.empty) {
          address.Node = part.value;
        }
        break;
    }
    previous = delimiter;
    ++i;
  }
  return true;
}

bool HasMaskCharacter(std::string_view text) {
  return text.find_first_of("*!") != std::string_view::npos;
}

void CopyNodeParts(const TFidoAddr& from, TFidoAddr& to) {
  to.Zone = from.Zone;
  to.Net = from.Net;
  to.Node = from.Node;
}

bool PartMatches(int32_t maskPart, int32_t addressPart) {
  return maskPart == kAnyValue || maskPart == addressPart;
}

bool MaskMatches(const TFidoAddr& mask, const TFidoAddr& address) {
  const bool pointMatches = PartMatches(mask.Point, address.Point) ||
                            (mask.Point == kAnyPoint && address.Point != 0);
  return PartMatches(mask.Zone, address.Zone) && PartMatches(mask.Net, address.Net) &&
         PartMatches(mask.Node, address.Node) && pointMatches;
}

}  // namespace

bool ParseAddress(std::string_view text, TFidoAddr& address) {
  if (HasMaskCharacter(text)) return false;
  text = text.substr(0, text.find(' '));
  address.Point = 0;
  address.Exclude = 0;
  return ScanAddress(text, address, false) && address.Zone != 0 && address.Net != 0;
}

bool ParseAddressDefault(std::string_view text, TFidoAddr& address, const TFidoAddr& defaults) {
  if (HasMaskCharacter(text)) return false;
  CopyNodeParts(defaults, address);
  address.Point = 0;
  address.Exclude = 0;
  return ScanAddress(text, address, false);
}

bool ParseAddressMask(std::string_view text, TFidoAddr& mask, const TFidoAddr& defaults) {
  CopyNodeParts(defaults, mask);
  mask.Point = 0;
  mask.Exclude = 0;
  if (!text.empty() && text.front() == '!') {
    mask.Exclude = 1;
    text.remove_prefix(1);
  }
  // "&" means "any point but 0" and has no sense above the point.
  return ScanAddress(text, mask, true) && mask.Zone != kAnyPoint && mask.Net != kAnyPoint &&
         mask.Node != kAnyPoint;
}

std::string FormatAddress(const TFidoAddr& address) {
  return FormatAddress(address.Zone, address.Net, address.Node, address.Point);
}

std::string FormatAddress(int zone, int net, int node, int point) {
  char buffer[64];
  if (point == 0) {
    std::snprintf(buffer, sizeof buffer, "%d:%d/%d", zone, net, node);
  } else {
    std::snprintf(buffer, sizeof buffer, "%d:%d/%d.%d", zone, net, node, point);
  }
  return buffer;
}

std::string FormatNodeAddress(const TFidoAddr& address) {
  return FormatAddress(address.Zone, address.Net, address.Node, 0);
}

bool AddressInMaskList(const TFidoAddr& address, std::string_view list, const OwnAddresses& own) {
  // The default of PktFrom and PktTo, met for every rule and packet.
  if (list == "*") return true;
  return AddressInMasks(address, ParseAddressMaskList(list, own));
}

AddressMaskList ParseAddressMaskList(std::string_view list, const OwnAddresses& own) {
  AddressMaskList masks;
  TFidoAddr defaults = own.Main();
  ForEachToken(list, [&](std::string_view token) {
    TFidoAddr mask;
    if (!ParseAddressMask(token, mask, defaults)) return;
    masks.push_back(AddressMask{mask, token == "*"});
    defaults = mask;
  });
  return masks;
}

bool AddressInMasks(const TFidoAddr& address, const AddressMaskList& masks) {
  bool result = false;
  for (const AddressMask& entry : masks) {
    const bool matches = entry.AnyAddress || MaskMatches(entry.Mask, address);
    result = entry.Mask.Exclude ? (result && !matches) : (result || matches);
  }
  return result;
}

bool AdmitsEveryAddress(const AddressMaskList& masks) {
  bool admitsAll = false;
  for (const AddressMask& entry : masks) {
    if (entry.Mask.Exclude) {
      admitsAll = false;
    } else if (entry.AnyAddress) {
      admitsAll = true;
    }
  }
  return admitsAll;
}

bool IsOwnAddress(const TFidoAddr& address, const OwnAddresses& own) {
  for (int slot = 0; slot <= own.AkaCount && slot <= kMaxAkas; ++slot) {
    const TFidoAddr& mine = own.Slots[slot];
    if (mine.Zone == address.Zone && mine.Net == address.Net && mine.Node == address.Node &&
        mine.Point == address.Point) {
      return true;
    }
  }
  return false;
}

TFidoAddr OwnAddressFor(const TFidoAddr& destination, const OwnAddresses& own) {
  for (int slot = 0; slot <= own.AkaCount && slot <= kMaxAkas; ++slot) {
    if (own.Slots[slot].Zone == destination.Zone) return own.Slots[slot];
  }
  return own.Main();
}

}  // namespace kestal
