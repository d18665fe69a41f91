/* A stand-in curve library for one picture of the user guide: its centre-line
 * export returns a result code that tarn2 does not know, as a library of
 * another version might. Built and used by scripts/guide-pictures-session.sh
 * only; never installed. */
__declspec(dllexport) int __stdcall tarn5(double p0x, double p0y, double p1x, double p1y,
                                          double p2x, double p2y, double a, double pitch,
                                          double mormm) {
    (void)p0x, (void)p0y, (void)p1x, (void)p1y, (void)p2x, (void)p2y, (void)a, (void)pitch,
        (void)mormm;
    return 9;
}
