#pragma once

/// Advances the console spinner by one character, in place.
void TickSpinner();
