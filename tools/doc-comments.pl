#!/usr/bin/perl
# Doxygen input filter: the package's headers explain their declarations in
# plain // comments directly above them. This makes each such run of comment
# lines a documentation comment of the declaration that follows, and the
# comment at the top of a header the file's documentation. Section markers
# ("// --- ...") and comments followed by a blank line, a preprocessor line,
# a namespace or an access specifier stay plain comments. Line numbers are kept.
use strict;
use warnings;

my @lines = <>;
my $seenCode = 0;
for (my $i = 0; $i < @lines; $i++) {
    if ($lines[$i] !~ m{^\s*//(?![/!])}) {
        $seenCode = 1 if $lines[$i] =~ /\S/ && $lines[$i] !~ /^\s*#\s*pragma/;
        next;
    }
    my $j = $i;
    $j++ while $j < @lines && $lines[$j] =~ m{^\s*//(?![/!])};
    my $next = $j < @lines ? $lines[$j] : "";
    if (!$seenCode) {
        # The header's own comment: what the file holds (the command ends
        # its last line, so that line numbers stay).
        $lines[$_] =~ s{^(\s*)//}{$1///} for $i .. $j - 1;
        $lines[$j - 1] =~ s{\s*$}{ \\file\n};
    } elsif ($next !~ /^\s*$/
             && $next !~ /^\s*#/
             && $next !~ /^\s*(namespace\b|\}|(public|protected|private)\s*:)/) {
        # A section marker heads the run: only the lines after it document.
        my $first = $i;
        for my $k ($i .. $j - 1) {
            $first = $k + 1 if $lines[$k] =~ m{^\s*//\s*---};
        }
        $lines[$_] =~ s{^(\s*)//}{$1///} for $first .. $j - 1;
    }
    $seenCode = 1;
    $i = $j - 1;
}
print @lines;
