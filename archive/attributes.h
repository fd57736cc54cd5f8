#pragma once
// Gives every file below the ExtractFolder that exists under an entry name the
// external attributes of its central record. Reads on from the current
// position of the SelfImage, which must be the first central record.
void ApplyAttributes();
