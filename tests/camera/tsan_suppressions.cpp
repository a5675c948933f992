// Reports of the thread checker about memory that Qt, xcb and GLib hand between their own
// threads: those libraries are not built for the checker, so their futex-based hand-offs are
// invisible to it. Each pattern names a frame of those libraries that frees or allocates its own
// queue items, buffers or wait objects; the checker sees such frames only as direct callers of
// the memory and lock functions, never as callers of our code, so none of our accesses is covered
// (writes to Qt's containers happen inside Qt, where the checker sees none anyway).
extern "C" const char* __tsan_default_suppressions() {
  return "race:QWaitCondition::~QWaitCondition\n"             // a finished QThread's wait objects
         "race:QCoreApplicationPrivate::cleanupThreadData\n"  // per-thread data at exit
         "race:QCoreApplicationPrivate::sendPostedEvents\n"   // posted events freed by their receiver
         "race:QXcbConnection::processXcbEvents\n"            // X events from Qt's reader thread
         "race:QArrayData::allocate\n"                        // Qt container buffers shared by
         "race:QArrayData::reallocateUnaligned\n"             //   Qt's own worker threads
         "race:QtPrivate::compareMemory\n"                    //   (read there, freed here)
         "race:QObject::moveToThread\n"                       // objects of Qt's own worker threads
         "race:QObjectPrivate::~QObjectPrivate\n"
         "race:libxcb.so.1\n"                                 // buffers xcb allocates for that thread
         "race:libglib-2.0.so\n";                             // GLib's wake-up descriptors
}
