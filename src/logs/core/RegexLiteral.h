#pragma once

#include <QByteArray>
#include <QString>

namespace quendal {

// A run of printable ASCII characters that every match of a regular expression contains, taken
// from the top level of the pattern (outside groups, classes and alternatives, and not under a
// quantifier); the longest such run. Empty when the pattern has none or uses anything this
// reading does not follow (inline options, verbs, escapes other than \d \w \s \b and escaped
// punctuation): an empty result only means no shortcut.
//
// Received bytes that lack it need no decoding and no regex: UTF-8 and Latin-1 turn ASCII bytes
// into the same characters and nothing else into ASCII characters.
QByteArray requiredLiteral(const QString& pattern);

} // namespace quendal
