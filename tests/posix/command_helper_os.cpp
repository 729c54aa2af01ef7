void useBinaryOutput() {}
