#include "param_names.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "arguments.h"
#include "parammap/generic_list.h"
#include "parammap/param_map.h"

namespace morvane::cli {

namespace {

using parammap::ControlSpec;
using parammap::Page;

struct Candidate {
  int parameter;
  bool common;
  Page page;
};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string PageName(Page page) {
  switch (page) {
    case Page::Common:
      return "Common";
    case Page::Layer:
      return "Layer";
    case Page::Patchcords:
      return "Patchcords";
    case Page::Setup:
      break;
  }
  return "Setup";
}

constexpr int kBitsPerDataByte = 7;
constexpr int kDataByteMask = 0x7F;

// Built by appending: gcc 12 warns of overlapping copies for the chain of + that would do it.
std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '"').append(text).append(1, '"');
  return quoted;
}

preset::ParamNumber NumberOf(int parameter) {
  return {static_cast<std::uint8_t>(parameter & kDataByteMask),
          static_cast<std::uint8_t>(parameter >> kBitsPerDataByte)};
}

// The value controls of the preset pages whose caption shows name before its colon: exact
// letter case first, any letter case when nothing matches exactly.
std::vector<Candidate> ControlsNamed(std::string_view name) {
  std::vector<Candidate> exact;
  std::vector<Candidate> anyCase;
  for (const Page page : {Page::Common, Page::Layer, Page::Patchcords}) {
    for (const ControlSpec& control : parammap::ControlsOn(page)) {
      const auto shown = parammap::ShownControlName(control);
      if (!shown) {
        continue;
      }
      const Candidate candidate{control.parameter, page == Page::Common, page};
      if (*shown == name) {
        exact.push_back(candidate);
      } else if (SameIgnoringCase(*shown, name)) {
        anyCase.push_back(candidate);
      }
    }
  }
  return exact.empty() ? anyCase : exact;
}

std::vector<Candidate> GenericEntriesNamed(std::string_view name) {
  std::vector<Candidate> found;
  for (const parammap::GenericEntry& entry : parammap::GenericParameterList()) {
    if (SameIgnoringCase(entry.name, name)) {
      found.push_back({entry.parameter, false, Page::Layer});
    }
  }
  return found;
}

std::string NumberList(const std::vector<Candidate>& candidates) {
  std::string text;
  for (const Candidate& candidate : candidates) {
    const auto name = parammap::GenericParameterName(candidate.parameter);
    text += (text.empty() ? "" : ", ") + FormatParam(NumberOf(candidate.parameter)) +
            (name ? " \"" + *name + "\"" : " on the " + PageName(candidate.page) + " page");
  }
  return text;
}

ParamTarget TargetOf(std::string_view name, const Candidate& found, std::optional<int> layer) {
  const std::string quoted = Quoted(name);
  if (found.common) {
    if (layer.value_or(kCommonLayer) != kCommonLayer) {
      throw std::invalid_argument(quoted +
                                  " is a parameter of the common block: leave out --layer or "
                                  "give --layer 0");
    }
    return {NumberOf(found.parameter), kCommonLayer};
  }
  if (!layer || *layer == kCommonLayer) {
    throw std::invalid_argument(quoted + " is a parameter of each layer: give --layer 1-4");
  }
  return {NumberOf(found.parameter), *layer};
}

}  // namespace

ParamTarget ResolveParam(std::string_view text, std::optional<int> layer) {
  // Names hold no colon and start with a letter: anything else is a number, right or wrong.
  const bool looksNumeric = text.empty() || text.find(':') != std::string_view::npos ||
                            !std::isalpha(static_cast<unsigned char>(text.front()));
  if (looksNumeric) {
    return {ParseParam(text), layer.value_or(kCommonLayer)};
  }
  const std::string quoted = Quoted(text);
  std::vector<Candidate> found = ControlsNamed(text);
  // A name on both the Common page and a layer page: --layer tells which is meant.
  if (found.size() > 1) {
    const bool wantCommon = layer.value_or(kCommonLayer) == kCommonLayer;
    std::vector<Candidate> inBlock;
    std::copy_if(found.begin(), found.end(), std::back_inserter(inBlock),
                 [&](const Candidate& c) { return c.common == wantCommon; });
    if (!inBlock.empty()) {
      found = inBlock;
    }
  }
  if (found.empty()) {
    found = GenericEntriesNamed(text);
  }
  if (found.size() > 1) {
    throw std::invalid_argument(
        quoted + " names " + std::to_string(found.size()) + " value controls (" +
        NumberList(found) + "): give the parameter's number or its name from parms.txt instead");
  }
  if (found.empty()) {
    throw std::invalid_argument(
        "Unknown parameter " + quoted +
        ": give a decimal number (1410), HH:LL in hexadecimal (0B:02), the name a value "
        "control shows before its colon (vol) or a name from parms.txt (\"Layer vol\")");
  }
  return TargetOf(text, found.front(), layer);
}

}  // namespace morvane::cli
