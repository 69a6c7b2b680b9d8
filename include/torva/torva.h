/*
 * TORVA: the audit information form ("审计信息") of a telecommunication construction project.
 *
 * libtorva.so.0 exports one function, OpenForm. A host program links with -ltorva (pkg-config
 * torva, or find_package(Torva) and Torva::torva in CMake) or loads the library with dlopen and
 * looks up "OpenForm".
 *
 * THE HOST FOLDER. The form reads the fee standard from Data/GL.mgl and reads and writes the list of
 * design-fee coefficients, SJKS.txt, in the folder of the host's executable, taken as the process was
 * started: the path handed to exec, made absolute, with a symbolic link in it NOT followed. A host
 * lays out its folder like this:
 *
 *     HOSTDIR/your-host          the executable (or a symbolic link to it)
 *     HOSTDIR/Data/GL.mgl        the fee standard (a copy, or a link to the installed
 *                                PREFIX/share/torva/GL.mgl)
 *     HOSTDIR/SJKS.txt           written by the form when it closes: HOSTDIR must be writable by the
 *                                user who runs the host
 *
 * A host installed where its users may not write (/usr/bin) gives each user a folder of their own
 * holding a symbolic link to the executable, and starts itself through that link; torva-host does
 * this under $XDG_DATA_HOME/torva/. When the path the process was started by no longer leads to the
 * running executable (the host changed its current folder after being started by a relative path,
 * or the file was moved or replaced), the folder cannot be determined: the form says so in a message
 * box and OpenForm returns without opening it.
 */
#ifndef TORVA_TORVA_H_
#define TORVA_TORVA_H_

#ifdef TORVA_BUILDING_LIBRARY
#define TORVA_EXPORT __attribute__((visibility("default")))
#else
#define TORVA_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Shows the audit form for one project and returns when the auditor has closed it; the form saves
 * every field into the project database as it closes.
 *
 * project_db          path of the project database (an SQLite file holding the table G_GCCS); a
 *                     path that names no file is reported ("提示") and the form closes at once
 * stage               the audit stage, "0" to "4" ("4": the auditor's determination)
 * text3, text4        kept with the form, never read
 * owner_amount        owner-supplied materials amount (written to the cover at stage "4")
 * contractor_amount   contractor-supplied materials amount
 *
 * The four texts are UTF-8; a null pointer is taken as the empty text. They are copied before the
 * form is shown: the caller's buffers are not used after the call begins.
 *
 * THREADS. Everything runs on the calling thread: the form, its database access and a Qt event loop
 * that serves it until it closes. No thread is started. A host without a Qt application gets one
 * made by the first call (a QApplication on the calling thread) and kept until the process ends;
 * every later call must come from that same thread. A host that has its own QApplication calls from
 * the thread that created it: its windows stay live while the form is open (the form is not modal to
 * them), and closing the form does not quit the host's application. If the host's application quits
 * while the form is open, the form is saved and closed and the call returns. A call on another
 * thread, or in a host whose Qt application has no widgets (a QCoreApplication), is refused: a
 * diagnostic goes to standard error and the call returns at once.
 *
 * WITHOUT A DISPLAY. When none of DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM is set, and the host
 * has no Qt application, the call is refused the same way instead of aborting the process.
 * QT_QPA_PLATFORM=offscreen runs the form without a screen (nobody can then close it but the host's
 * own code).
 *
 * OpenForm never lets an error escape to the caller: failures are shown to the auditor or, where
 * nobody could see them, written to standard error. It may be called again after it returns; each
 * call shows a fresh form.
 */
TORVA_EXPORT void OpenForm(const char* project_db, const char* stage, const char* text3,
                           const char* text4, double owner_amount, double contractor_amount);

#ifdef __cplusplus
}
#endif

#endif /* TORVA_TORVA_H_ */
