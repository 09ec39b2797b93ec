#include "engine/key_map.h"

#include <array>
#include <utility>

namespace morvane::engine {
namespace {

constexpr auto V = VirtualKeyOf;

constexpr std::array<std::pair<TVirtualKey, int>, 38> kKeyMap{{
    {V('Z'), 0},       {V('S'), 1},    {V('X'), 2},         {V('D'), 3},        {V('C'), 4},
    {V('V'), 5},       {V('G'), 6},    {V('B'), 7},         {V('H'), 8},        {V('N'), 9},
    {V('J'), 10},      {V('M'), 11},   {V('Q'), 12},        {VK_OEM_COMMA, 12}, {V('2'), 13},
    {V('L'), 13},      {V('W'), 14},   {VK_OEM_PERIOD, 14}, {V('3'), 15},       {VK_OEM_1, 15},
    {V('E'), 16},      {VK_OEM_2, 16}, {V('R'), 17},        {V('5'), 18},       {V('T'), 19},
    {V('6'), 20},      {V('Y'), 21},   {V('7'), 22},        {V('U'), 23},       {V('I'), 24},
    {V('9'), 25},      {V('O'), 26},   {V('0'), 27},        {V('P'), 28},       {VK_OEM_4, 29},
    {VK_OEM_PLUS, 30}, {VK_OEM_6, 31}, {VK_OEM_5, 32},
}};

}  // namespace

std::optional<int> KeyOffsetOf(TVirtualKey key) {
  for (const auto& [mapped, offset] : kKeyMap) {
    if (mapped == key) {
      return offset;
    }
  }
  return std::nullopt;
}

}  // namespace morvane::engine
