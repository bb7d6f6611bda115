#pragma once

namespace tv {

// What a screen reader meets in our views is what is on screen. Qt lists every child widget
// of a plain widget in the accessible tree, hidden ones too, so a row's hover-only close
// button, a confirmation's "Cancel" and "Quit" and a "Resume all" offered for a single app
// would be read out and could be pressed although nobody sees them. Installed once, this
// makes every plain widget (one with no accessible interface of its own) list only the
// children that are not hidden; controls themselves keep Qt's own interfaces. Scroll areas are
// listed the same way, as Qt's own interface for them can be crashed by a reader asking for a
// scroll bar that has just gone.
namespace ShownChildren {

// Idempotent; the first call installs it for the rest of the process.
void install();

}  // namespace ShownChildren

}  // namespace tv
