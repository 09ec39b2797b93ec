#include "name_argument.h"

#include "preset/dump_layout.h"
#include "preset/plain_letters.h"

namespace morvane::cli {

namespace {

constexpr std::string_view kNoPlainFormStandIn = " ";

}  // namespace

std::string NameToStore(std::string_view given, std::ostream& err) {
  preset::PlainName name = preset::ToPlainName(given, kNoPlainFormStandIn);
  if (const std::string plain = preset::PlainFormsNote(name.changes); !plain.empty()) {
    err << "warning: names hold no accented letters: " << plain << "\n";
  }
  if (const std::string refused = preset::NoPlainFormList(name.changes); !refused.empty()) {
    err << "warning: no plain form, stored as a space: " << refused << "\n";
  }
  if (name.text.size() > preset::kNameSize) {
    name.text.resize(preset::kNameSize);
    err << "warning: the name is cut to its first " << preset::kNameSize << " characters: \""
        << name.text << "\"\n";
  }
  return name.text;
}

}  // namespace morvane::cli
