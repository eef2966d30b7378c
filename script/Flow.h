// What a command, a wait, or a screen nested in a wait tells its caller.
// Waits nest (a save screen inside a message wait inside a recollection), so
// each level says plainly whether its caller goes on, ends its own wait, or
// unwinds the running script.
#pragma once

namespace kobre {

enum class Flow {
  Next,     // go on: the command is done, or the wait keeps waiting
  EndWait,  // the wait ends at once (closing, return to title, a game was
            // loaded); the script goes on
  Unwind,   // stop the running script
};

// A command's result after a wait it ran: an ended wait goes on.
constexpr Flow afterWait(Flow f) {
  return f == Flow::Unwind ? Flow::Unwind : Flow::Next;
}

// A hook's boolean result (true: go on) as a command's flow.
constexpr Flow flowOf(bool goOn) {
  return goOn ? Flow::Next : Flow::Unwind;
}

}  // namespace kobre
