#pragma once
// Implementation state shared by the control files (not installed).

namespace skedra
{

class TControl;

namespace detail
{

// Ends the in-process drag whose source is aControl, if any, without a drop
// (a control going away must leave no drag behind).
void ForgetDragSource(const TControl* aControl);

} // namespace detail

} // namespace skedra
