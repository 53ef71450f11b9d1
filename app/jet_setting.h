#pragma once

namespace larkspan {

// Sets "TypeGuessRows" of the Excel engine of Jet 3.5 (10000) or, when that key is missing, of Jet 4.0
// (100000). Keys are never created; every failure is silent. Returns the value written, or 0.
unsigned WriteJetTypeGuessRows();

}  // namespace larkspan
