int paycardbenchPlaceholder() { return 0; }
