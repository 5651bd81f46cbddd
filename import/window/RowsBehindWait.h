#pragma once
// The wait for the rows of the last import still on their way to the file
// behind the shown grid. The program's end, a new import and the file
// window closing all wait here: a wait the user notices gets a window
// saying why, and every window stays painted meanwhile (user input waits).

// Returns once no stored row is on its way any more; a failure on the way
// is left to FinishStoredRows.
void WaitForRowsBehind();
