#!/usr/bin/env python3
"""Writes the parameter documentation table of the VL70-m full voice dump.

One line per dump byte (1808 lines), three tab-separated fields: short label,
long name, description. CR LF line ends, Windows-1252, French texts.

    python3 scripts/make_vl70doc.py [output]    (default resources/vl/vl70doc.txt)

The output is committed; the build never runs this script.
"""

import os
import sys

DUMP_LENGTH = 1808
HEADER_SIZE = 9  # F0 43 0n 57 count-high count-low address-high address-mid address-low

# The fifteen blocks of the full voice dump: first byte, data byte count, address.
BLOCKS = [
    (0, 41, (0x08, 0x00, 0x00)),
    (52, 63, (0x08, 0x00, 0x30)),
    (126, 4, (0x08, 0x00, 0x70)),
    (141, 23, (0x09, 0x00, 0x00)),
    (175, 6, (0x09, 0x00, 0x17)),
    (192, 14, (0x02, 0x01, 0x00)),
    (217, 6, (0x02, 0x01, 0x10)),
    (234, 15, (0x02, 0x01, 0x20)),
    (260, 6, (0x02, 0x01, 0x30)),
    (277, 33, (0x02, 0x01, 0x40)),
    (321, 6, (0x02, 0x01, 0x70)),
    (338, 18, (0x03, 0x00, 0x00)),
    (367, 6, (0x03, 0x00, 0x20)),
    (384, 15, (0x10, 0x00, 0x00)),
    (410, 1387, (0x20, 0x00, 0x00)),
]

# Blocks (1-based) whose checksum line carries no "Checksum" label.
UNLABELLED_CHECKSUM_BLOCKS = {7, 11, 13}

RESERVED = ("reserve", "Réservé", "")

FRAME = {
    "start": ("Début de message exclusif", ""),
    "maker": ("Identifiant du fabricant (Yamaha)", ""),
    "device": ("Numéro d'appareil", "0nh, n = numéro d'appareil 0 à 15 (affiché 1 à 16)"),
    "model": ("Identifiant du modèle VL70-m", ""),
    "count_high": ("Nombre d'octets, poids fort", "7 bits de poids fort du nombre d'octets de données"),
    "count_low": ("Nombre d'octets, poids faible", "7 bits de poids faible du nombre d'octets de données"),
    "address_high": ("Adresse, poids fort", ""),
    "address_mid": ("Adresse, poids moyen", ""),
    "address_low": ("Adresse, poids faible", ""),
    "checksum": ("Somme de contrôle", "Somme des octets de nombre, d'adresse, de données et de contrôle : 7 bits de poids faible nuls"),
    "end": ("Fin de message exclusif", ""),
}

ORDINALS = ["1ere", "2e", "3e", "4e", "5e", "6e", "7e", "8e", "9e", "10e"]

CONTROL_DEPTHS = [
    ("Ctrl hauteur", "Contrôle de la hauteur", "-24 à +24 demi-tons (40h = 0)"),
    ("Ctrl filtre", "Contrôle du filtre", "40h = 0"),
    ("Ctrl ampli", "Contrôle de l'amplitude", "40h = 0"),
    ("Mod LFO haut", "Modulation de hauteur par le LFO", ""),
    ("Mod LFO filt", "Modulation du filtre par le LFO", ""),
]


def controller_group(prefix, long_prefix, skip=()):
    """The five control depths of one controller, as (label, long, description)."""
    rows = []
    for i, (label, long_name, description) in enumerate(CONTROL_DEPTHS):
        if i in skip:
            rows.append(RESERVED)
        else:
            rows.append((prefix + " " + label, long_prefix + " : " + long_name.lower(), description))
    return rows


def effect_params(prefix, long_prefix, first, last, pairs=False):
    rows = []
    for n in range(first, last + 1):
        if pairs:
            rows.append((f"{prefix} Prm{n} H", f"{long_prefix}, paramètre {n} (poids fort)", ""))
            rows.append((f"{prefix} Prm{n} L", f"{long_prefix}, paramètre {n} (poids faible)", ""))
        else:
            rows.append((f"{prefix} Prm{n}", f"{long_prefix}, paramètre {n}", ""))
    return rows


def data_rows():
    """Documentation of every data byte, keyed by dump offset."""
    rows = {}

    def put(offset, entries):
        for i, entry in enumerate(entries):
            assert offset + i not in rows, offset + i
            rows[offset + i] = entry

    # Block 1: part and voice settings.
    put(9, [("", "", ""), ("", "", "")])
    put(11, [
        ("Nr de banque", "Numéro de banque", "Sélection de banque MSB"),
        ("Nr de programme", "Numéro de programme", "0 à 127"),
        ("Canal recep", "Canal de réception", "0 à 15 = canaux 1 à 16"),
        ("Mono/Poly", "Mode mono ou poly", "0 = mono, 1 = poly"),
        RESERVED,
        ("Mode partie", "Mode de la partie", ""),
        ("NoteSft", "Décalage de note", "-24 à +24 demi-tons (40h = 0)"),
        ("Detune H", "Désaccord fin, poids fort", ""),
        ("Detune L", "Désaccord fin, poids faible", ""),
        ("Volume", "Volume de la partie", "0 à 127"),
        ("Sens velo", "Sensibilité à la vélocité, profondeur", ""),
        ("Offset velo", "Sensibilité à la vélocité, décalage", ""),
        ("Pan", "Panoramique", "0 = aléatoire, 1 à 127 = gauche à droite"),
        ("Note basse", "Limite basse des notes", ""),
        ("Note haute", "Limite haute des notes", ""),
        ("Niveau sec", "Niveau du son direct", ""),
        ("Envoi chorus", "Envoi vers le chorus", ""),
        ("Envoi reverb", "Envoi vers la réverbération", ""),
        ("Envoi variat", "Envoi vers la variation", ""),
        ("Vib vitesse", "Vibrato : vitesse", ""),
        ("Vib profond", "Vibrato : profondeur", ""),
        ("Vib retard", "Vibrato : retard", ""),
        ("Coupure", "Fréquence de coupure du filtre", ""),
        ("Resonance", "Résonance du filtre", ""),
        ("Attaque", "Temps d'attaque", ""),
        ("Declin", "Temps de déclin", ""),
        ("Relache", "Temps de relâchement", ""),
    ])
    put(38, controller_group("MW", "Molette de modulation"))
    put(43, [RESERVED])
    put(44, controller_group("PB", "Pitch bend"))
    put(49, [RESERVED])

    # Block 2: receive switches, scale tuning, aftertouch, controller 1, portamento.
    switches = [
        ("Pitch bend", "pitch bend"),
        ("Aftertouch", "aftertouch de canal"),
        ("Prog change", "changement de programme"),
        ("Ctrl change", "changement de contrôle"),
        ("Note", "messages de note"),
        ("RPN", "RPN"),
        ("NRPN", "NRPN"),
        ("Modulation", "modulation"),
        ("Volume", "volume"),
        ("Pan", "panoramique"),
        ("Expression", "expression"),
        ("Hold", "pédale de maintien"),
        ("Portamento", "portamento"),
        ("Soft", "pédale douce"),
        ("Bank sel", "sélection de banque"),
    ]
    put(61, [("Rcv " + label, "Réception : " + name, "0 = non, 1 = oui") for label, name in switches])
    put(76, [RESERVED, RESERVED])
    notes = ["Do", "Do#", "Re", "Re#", "Mi", "Fa", "Fa#", "Sol", "Sol#", "La", "La#", "Si"]
    put(78, [("Accord " + n, "Accordage de la gamme : " + n, "-64 à +63 centièmes (40h = 0)") for n in notes])
    put(90, controller_group("AT", "Aftertouch"))
    put(95, [RESERVED] * 7)
    put(102, [("AC1 Nr ctrl", "Contrôleur assignable 1 : numéro de contrôle", "0 à 95")])
    put(103, controller_group("AC1", "Contrôleur assignable 1"))
    put(108, [RESERVED] * 8)
    put(116, [
        ("Porta sw", "Portamento : interrupteur", "0 = arrêt, 1 = marche"),
        ("Porta temps", "Portamento : temps", ""),
        ("PEG niv init", "Enveloppe de hauteur : niveau initial", ""),
        ("PEG attaque", "Enveloppe de hauteur : temps d'attaque", ""),
        ("PEG niv rel", "Enveloppe de hauteur : niveau de relâchement", ""),
        ("PEG tps rel", "Enveloppe de hauteur : temps de relâchement", ""),
    ])
    put(122, [RESERVED, RESERVED])

    # Block 3.
    put(135, [
        ("PB bas ctrl", "Pitch bend : contrôle bas", ""),
        ("FEG profond", "Profondeur de l'enveloppe de filtre", ""),
        ("Basses", "Égaliseur : basses", ""),
        ("Aigues", "Égaliseur : aigus", ""),
    ])

    # Block 4: note assign, note filter, control sources and depths.
    put(150, [
        ("Assign note", "Assignation des notes", ""),
        ("Filtre note", "Filtre de notes", ""),
    ])
    controls = [
        ("Pression", "pression"),
        ("Embouchure", "embouchure"),
        ("Langue", "coup de langue"),
        ("Cri", "cri (scream)"),
        ("Souffle", "bruit de souffle"),
        ("Growl", "growl"),
        ("Gorge", "formant de gorge"),
        ("Harmonique", "amplificateur d'harmoniques"),
        ("Amorti", "amortissement"),
        ("Absorption", "absorption"),
    ]
    entries = []
    for label, name in controls:
        entries.append((label + " src", "Source de contrôle : " + name, "numéro de contrôleur"))
        entries.append((label + " prof", "Profondeur de contrôle : " + name, ""))
    put(152, entries)
    put(172, [RESERVED])

    # Block 5.
    put(184, [
        ("AmpSc point", "Échelle d'amplitude : point de rupture", "numéro de note"),
        ("AmpSc prof", "Échelle d'amplitude : profondeur", ""),
        ("CutSc point", "Échelle de coupure : point de rupture", "numéro de note"),
        ("CutSc prof", "Échelle de coupure : profondeur", ""),
        ("Ptr banque", "Pointeur de banque", ""),
        ("Ptr programme", "Pointeur de programme", ""),
    ])

    # Block 6 and 7: reverb.
    put(201, [
        ("Rev type H", "Type de réverbération, poids fort", ""),
        ("Rev type L", "Type de réverbération, poids faible", ""),
        ("Rev temps", "Réverbération : temps", ""),
        ("Rev diffusion", "Réverbération : diffusion", ""),
        ("Rev retard", "Réverbération : retard initial", ""),
        ("Rev HPF", "Réverbération : coupure passe-haut", ""),
        ("Rev LPF", "Réverbération : coupure passe-bas", ""),
    ])
    put(208, effect_params("Rev", "Réverbération", 6, 10))
    put(213, [
        ("Rev retour", "Retour de réverbération", ""),
        ("Rev pan", "Panoramique de réverbération", ""),
    ])
    put(226, effect_params("Rev", "Réverbération", 11, 16))

    # Blocks 8 and 9: chorus.
    put(243, [
        ("Cho type H", "Type de chorus, poids fort", ""),
        ("Cho type L", "Type de chorus, poids faible", ""),
        ("Cho LFO freq", "Chorus : fréquence du LFO", ""),
        ("Cho LFO prof", "Chorus : profondeur du LFO", ""),
        ("Cho feedback", "Chorus : réinjection", ""),
        ("Cho decalage", "Chorus : décalage du retard", ""),
    ])
    put(249, effect_params("Cho", "Chorus", 5, 10))
    put(255, [
        ("Cho retour", "Retour de chorus", ""),
        ("Cho pan", "Panoramique de chorus", ""),
        ("Cho>Rev", "Envoi du chorus vers la réverbération", ""),
    ])
    put(269, effect_params("Cho", "Chorus", 11, 16))

    # Blocks 10 and 11: variation.
    put(286, [
        ("Var type H", "Type de variation, poids fort", ""),
        ("Var type L", "Type de variation, poids faible", ""),
    ])
    put(288, effect_params("Var", "Variation", 1, 10, pairs=True))
    put(308, [
        ("Var retour", "Retour de variation", ""),
        ("Var pan", "Panoramique de variation", ""),
        ("Var>Rev", "Envoi de la variation vers la réverbération", ""),
        ("Var>Cho", "Envoi de la variation vers le chorus", ""),
        ("Var connexion", "Connexion de la variation", "0 = insertion, 1 = système"),
        ("Var partie", "Partie de la variation", ""),
        RESERVED,
        RESERVED,
        ("AT var ctrl", "Aftertouch : contrôle de la variation", ""),
        ("AC1 var ctrl", "Contrôleur assignable 1 : contrôle de la variation", ""),
        RESERVED,
    ])
    put(330, effect_params("Var", "Variation", 11, 16))

    # Block 12: distortion.
    put(347, [
        ("Dist type H", "Type de distorsion, poids fort", ""),
        ("Dist type L", "Type de distorsion, poids faible", ""),
        ("Dist drive", "Distorsion : attaque (drive)", ""),
        ("Dist EQ bas f", "Distorsion : fréquence de l'égaliseur bas", ""),
        ("Dist EQ bas g", "Distorsion : gain de l'égaliseur bas", ""),
        ("Dist LPF", "Distorsion : coupure passe-bas", ""),
        ("Dist niveau", "Distorsion : niveau de sortie", ""),
        RESERVED,
        ("Dist EQ med f", "Distorsion : fréquence de l'égaliseur médium", ""),
        ("Dist EQ med g", "Distorsion : gain de l'égaliseur médium", ""),
        ("Dist EQ med l", "Distorsion : largeur de l'égaliseur médium", ""),
        ("Dist sec/eff", "Distorsion : dosage direct / effet", ""),
        ("Dist partie", "Partie de la distorsion", ""),
        RESERVED,
        RESERVED,
        ("AT dist ctrl", "Aftertouch : contrôle de la distorsion", ""),
        ("AC1 dist ctrl", "Contrôleur assignable 1 : contrôle de la distorsion", ""),
        RESERVED,
    ])

    # Block 13: six undocumented bytes.
    put(376, [("", "", "")] * 6)

    # Block 14: voice name and common settings.
    put(393, [(f"{ORDINALS[i]} lettre nom", f"Nom de la voix, caractère {i + 1}", "code ASCII")
              for i in range(8)])
    put(401, [
        RESERVED,
        ("Niveau voix", "Niveau de la voix", ""),
        ("Mode assign", "Mode d'assignation", ""),
        ("Exp poly 1", "Expansion polyphonique 1", ""),
        ("Exp poly 2", "Expansion polyphonique 2", ""),
        ("Mode porta", "Mode de portamento", ""),
        RESERVED,
    ])

    # Block 15: the VL element.
    put(419, [(f"{ORDINALS[i]} lettre elem", f"Nom de l'élément VL, caractère {i + 1}", "code ASCII")
              for i in range(10)])
    put(429, [("Mode expr", "Mode d'expression", "")])
    element_controls = [
        ("Pression", "pression"),
        ("Filtre", "filtre"),
        ("Amplitude", "amplitude"),
        ("Embouchure", "embouchure"),
        ("Langue", "coup de langue"),
        ("Cri", "cri (scream)"),
        ("Souffle", "bruit de souffle"),
        ("Growl", "growl"),
        ("Gorge", "formant de gorge"),
        ("Harmonique", "amplificateur d'harmoniques"),
    ]
    entries = []
    for label, name in element_controls:
        entries.append((label + " ctrl", "Élément VL, " + name + " : numéro de contrôleur", ""))
        entries.append((label + " prof", "Élément VL, " + name + " : profondeur", ""))
        entries.append((label + " courbe", "Élément VL, " + name + " : courbe", ""))
    put(430, entries)
    # The pipe, string, tuning and envelope tables that follow are the
    # instrument's own business: position only.
    first_table = 430 + len(entries)
    put(first_table, [("", "", f"Élément VL, octet {offset - 419} des tables de l'élément")
                      for offset in range(first_table, 1806)])
    return rows


def hex2(value):
    return f"{value:02X}"


def table_lines():
    lines = [None] * DUMP_LENGTH
    documented = data_rows()
    for number, (start, count, address) in enumerate(BLOCKS, start=1):
        frame = [
            ("F0", *FRAME["start"]),
            ("43", *FRAME["maker"]),
            ("00", *FRAME["device"]),
            ("57", *FRAME["model"]),
            (hex2(count >> 7), *FRAME["count_high"]),
            (hex2(count & 0x7F), *FRAME["count_low"]),
            (hex2(address[0]), *FRAME["address_high"]),
            (hex2(address[1]), *FRAME["address_mid"]),
            (hex2(address[2]), *FRAME["address_low"]),
        ]
        for i, entry in enumerate(frame):
            lines[start + i] = entry
        for offset in range(start + HEADER_SIZE, start + HEADER_SIZE + count):
            lines[offset] = documented.get(offset, ("", "", ""))
        checksum = start + HEADER_SIZE + count
        if number in UNLABELLED_CHECKSUM_BLOCKS:
            lines[checksum] = ("", "", "")
        else:
            lines[checksum] = ("Checksum", *FRAME["checksum"])
        lines[checksum + 1] = ("F7", *FRAME["end"])
        next_start = BLOCKS[number][0] if number < len(BLOCKS) else DUMP_LENGTH
        assert checksum + 2 == next_start, (number, checksum + 2, next_start)
    unused = [offset for offset in documented if lines[offset] is not documented[offset]]
    assert not unused, unused
    assert all(line is not None for line in lines)
    return lines


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "vl", "vl70doc.txt")
    text = "".join("\t".join(fields) + "\r\n" for fields in table_lines())
    for fields in table_lines():
        assert all("\t" not in f and "\r" not in f and "\n" not in f for f in fields)
    with open(target, "wb") as out:
        out.write(text.encode("cp1252"))


if __name__ == "__main__":
    main()
