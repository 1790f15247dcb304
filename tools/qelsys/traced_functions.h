// The thunks that stand in for the library's imports while it is traced.
#pragma once

// The thunk of a traced function, after noting `real` as the function it
// calls; null for a function that is not traced.
void* TraceThunk(const char* function, void* real);
// True for a function that has a thunk and can be made to fail.
bool CanFail(const char* function);
