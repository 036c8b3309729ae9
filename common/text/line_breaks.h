// User texts write a line break as the two characters backslash and n.
#pragma once

// Turns each backslash-n pair into CR LF, in place (the length stays).
void ReplaceLineBreakPairs(char* text);
